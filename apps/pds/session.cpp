#include "apps/pds/session.h"

#include "apps/pds/help_text.h"
#include "pds/VisibleText.h"

namespace pds::app {

namespace {

std::string JoinSynopsis(const HelpPage& page) {
  std::string text;
  for (const std::string& line : page.synopsis) text += (text.empty() ? "" : " | ") + line;
  return text;
}

// `help`: the listing takes each command's synopsis and summary from its
// page, so the listing and the pages never disagree.
bool RunHelp(Session& s, const std::vector<std::string>& args) {
  const auto& commands = SessionCommands();
  if (!args.empty()) {
    if (const HelpPage* page = FindSessionHelpPage(args[0])) {
      std::fputs(RenderHelpPage(*page).c_str(), s.out());
      return true;
    }
    auto it = commands.find(args[0]);
    if (it != commands.end()) {  // a command without a page of its own
      std::fprintf(s.out(), "%s\n  %s\n", it->second.usage.c_str(), it->second.summary.c_str());
      return true;
    }
    std::vector<std::string> names;
    for (const auto& [name, command] : commands) names.push_back(name);
    names.push_back("exit");
    std::fprintf(s.out(), "no command '%s'; did you mean '%s'?\n", VisibleText(args[0]).c_str(),
                 ClosestName(args[0], names).c_str());
    return false;
  }
  auto row = [&s](const std::string& usage, const std::string& summary) {
    if (summary.empty()) {
      std::fprintf(s.out(), "  %s\n", usage.c_str());
    } else {
      std::fprintf(s.out(), "  %-30s %s\n", usage.c_str(), summary.c_str());
    }
  };
  for (const auto& [name, command] : commands) {
    const HelpPage* page = FindSessionHelpPage(name);
    if (!page || page->synopsis.empty()) {
      row(command.usage, command.summary);
      continue;
    }
    for (std::size_t i = 0; i < page->synopsis.size(); ++i) row(page->synopsis[i], i == 0 ? page->summary : "");
  }
  if (!commands.count("exit")) row("exit", HelpSummary("session exit"));
  std::fprintf(s.out(), "'help COMMAND' describes a command.\n");
  return true;
}

std::map<std::string, SessionCommand>& Registry() {
  // help is built in, so that it is there whichever file registers first.
  static std::map<std::string, SessionCommand> commands = {
      {"help", SessionCommand{"help", "help [COMMAND]", "List the commands, or describe one", RunHelp, 0, 1}}};
  return commands;
}

}  // namespace

bool RegisterSessionCommand(SessionCommand command) {
  std::string name = command.name;
  // The built-in help stays: it knows every page.
  if (name == "help") return true;
  if (const HelpPage* page = FindSessionHelpPage(name)) {
    if (!page->synopsis.empty()) command.usage = JoinSynopsis(*page);
    command.summary = page->summary;
  }
  Registry()[name] = std::move(command);
  return true;
}

const std::map<std::string, SessionCommand>& SessionCommands() { return Registry(); }

void Session::Report(const std::string& command, const std::string& result,
                     const std::vector<std::pair<std::string, std::string>>& fields) {
  if (json_) {
    std::string line = "{\"command\":\"" + JsonEscape(command) + "\",\"result\":\"" + JsonEscape(result) + "\"";
    for (const auto& [key, value] : fields) line += ",\"" + JsonEscape(key) + "\":\"" + JsonEscape(value) + "\"";
    line += "}";
    std::fprintf(out_, "%s\n", line.c_str());
  } else {
    std::fprintf(out_, "%s: %s\n", VisibleText(command).c_str(), result.c_str());
    for (const auto& [key, value] : fields) {
      std::fprintf(out_, "  %-25s %s\n", (VisibleText(key) + ":").c_str(), VisibleText(value).c_str());
    }
  }
  std::fflush(out_);
}

bool Session::UsageError(const std::string& command, const std::string& problem) {
  const auto& commands = SessionCommands();
  const std::string name = command.substr(0, command.find(' '));
  auto it = commands.find(name);
  std::string usage;
  if (it != commands.end()) {
    usage = it->second.usage;
  } else if (const HelpPage* page = FindSessionHelpPage(name)) {
    usage = JoinSynopsis(*page);  // exit and quit, which the session runs itself
  }
  Report(command, "USAGE", {{"error", problem}, {"usage", usage}});
  usage_error_ = VisibleText(command + ": " + problem + "; usage: " + usage);
  return false;
}

std::string JsonEscape(const std::string& s) {
  std::string out;
  std::size_t pos = 0;
  while (pos < s.size()) {
    const std::size_t n = Utf8SequenceLength(s, pos);
    if (n == 0) {
      // JSON text is UTF-8: a byte that is not becomes the replacement
      // character, so that every line still parses.
      out += "\\ufffd";
      ++pos;
      continue;
    }
    const char32_t c = Utf8CodePoint(s, pos, n);
    switch (c) {
      case U'"': out += "\\\""; break;
      case U'\\': out += "\\\\"; break;
      case U'\n': out += "\\n"; break;
      case U'\r': out += "\\r"; break;
      case U'\t': out += "\\t"; break;
      default:
        if (IsControlCodePoint(c)) {
          // DEL and the C1 controls too: the output may be read on a terminal.
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          out += buf;
        } else {
          out.append(s, pos, n);
        }
    }
    pos += n;
  }
  return out;
}

std::string ResultName(int code) {
  switch (code) {
    case -1: return "RETURN_OK";
    case 0: return "RETURN_ERROR";
    case -2: return "RETURN_USER_CANCEL";
    case -3: return "RETURN_NO_TAGS";
    case -4: return "RETURN_TAG_ALREADY_EXISTS";
    default: return std::to_string(code);
  }
}

std::string ExtraWordProblem(const std::string& command, const std::vector<std::string>& args,
                             std::size_t max_args) {
  if (args.size() <= max_args) return {};
  std::string problem = "unexpected word '" + args[max_args] + "'";
  if (max_args == 0) return problem;
  std::string name;
  for (std::size_t i = max_args - 1; i < args.size(); ++i) name += (name.empty() ? "" : " ") + args[i];
  return problem + "; a name with blanks goes in double quotes: " + command + " \"" + name + "\"";
}

bool OneWordAndSwitch(Session& s, const std::string& command, const std::vector<std::string>& args,
                      const std::string& flag, bool* given, std::vector<std::string>* words) {
  *given = false;
  for (const std::string& arg : args) {
    if (arg == flag) {
      *given = true;
    } else if (arg.rfind("--", 0) == 0) {
      return s.UsageError(command, "unknown option '" + arg + "'");
    } else {
      words->push_back(arg);
    }
  }
  return words->size() <= 1 || s.UsageError(command, ExtraWordProblem(command, *words, 1));
}

std::vector<std::string> SplitWords(const std::string& line, std::string* error) {
  std::vector<std::string> words;
  std::string current;
  bool in_word = false;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
        current.push_back(line[++i]);
      } else if (c == '"') {
        quoted = false;
      } else {
        current.push_back(c);
      }
    } else if (c == '"') {
      quoted = true;
      in_word = true;
    } else if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(current);
      current.clear();
      in_word = false;
    } else {
      current.push_back(c);
      in_word = true;
    }
  }
  if (quoted) {
    if (error) *error = "unterminated quotation mark";
    return {};
  }
  if (in_word) words.push_back(current);
  return words;
}

}  // namespace pds::app
