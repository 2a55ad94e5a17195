#include "apps/pds/session.h"

namespace pds::app {

namespace {
std::map<std::string, SessionCommand>& Registry() {
  static std::map<std::string, SessionCommand> commands;
  return commands;
}

std::string JsonEscape(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out;
}
}  // namespace

bool RegisterSessionCommand(SessionCommand command) {
  std::string name = command.name;
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
    std::fprintf(out_, "%s: %s\n", command.c_str(), result.c_str());
    for (const auto& [key, value] : fields) std::fprintf(out_, "  %-25s %s\n", (key + ":").c_str(), value.c_str());
  }
  std::fflush(out_);
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
