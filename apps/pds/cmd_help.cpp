// `pds help`: the manual pages of the subcommands, of the session commands
// and of the topics, and a check that every command and option has its page.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "apps/pds/commands.h"
#include "apps/pds/help_text.h"
#include "apps/pds/session.h"

namespace pds::app {

namespace {

// Pages that are not about a command.
std::vector<std::string> Topics() {
  std::vector<std::string> topics;
  for (const HelpPage& page : HelpPages()) {
    if (page.topic) topics.push_back(page.key);
  }
  return topics;
}

std::vector<std::string> SessionCommandNames() {
  std::vector<std::string> names;
  for (const auto& [name, command] : SessionCommands()) names.push_back(name);
  if (!SessionCommands().count("exit")) names.push_back("exit");
  return names;
}

int UnknownName(const std::string& what, const std::string& name, const std::vector<std::string>& candidates) {
  std::fprintf(stderr, "pds help: no %s '%s'; did you mean '%s'?\n", what.c_str(), name.c_str(),
               ClosestName(name, candidates).c_str());
  return kExitUsage;
}

// A term of an OPTIONS section documents an option when it starts with the
// option's name followed by nothing or a blank ("--brand WORD").
bool Documents(const HelpPage& page, const std::string& option) {
  const HelpSection* options = page.Section("OPTIONS");
  if (!options) return false;
  for (const HelpItem& item : options->items) {
    if (item.term == option || item.term.rfind(option + " ", 0) == 0) return true;
  }
  return false;
}

// Every subcommand, each of its options and every session command has a
// page; prints what is missing.
int Check(CLI::App& app) {
  int missing = 0;
  for (CLI::App* sub : app.get_subcommands({})) {
    const HelpPage* page = FindHelpPage(sub->get_name());
    if (!page) {
      std::printf("no page for the command '%s'\n", sub->get_name().c_str());
      ++missing;
      continue;
    }
    for (const CLI::Option* option : sub->get_options()) {
      std::string name = option->get_positional() ? option->get_name(true) : "--" + option->get_lnames().front();
      if (option->get_lnames().empty() && !option->get_positional()) name = "-" + option->get_snames().front();
      if (!Documents(*page, name)) {
        std::printf("the page of '%s' does not describe %s\n", sub->get_name().c_str(), name.c_str());
        ++missing;
      }
    }
  }
  for (const std::string& name : SessionCommandNames()) {
    if (!FindSessionHelpPage(name)) {
      std::printf("no page for the session command '%s'\n", name.c_str());
      ++missing;
    }
  }
  if (missing) return kExitFailed;
  std::printf("every command and option has its page\n");
  return kExitOk;
}

int PrintAll() {
  bool first = true;
  for (const HelpPage& page : HelpPages()) {
    std::printf("%s%s", first ? "" : "\n", RenderHelpPage(page).c_str());
    first = false;
  }
  return kExitOk;
}

struct HelpArgs {
  std::vector<std::string> words;
  bool all = false;
  bool check = false;
  std::string man_folder;
};

int Run(CLI::App& app, const HelpArgs& args) {
  if (args.check) return Check(app);
  if (args.all) return PrintAll();
  if (!args.man_folder.empty()) {
    std::string error;
    if (WriteManPages(app, args.man_folder, &error)) return kExitOk;
    std::fprintf(stderr, "pds help: %s\n", error.c_str());
    return kExitFailed;
  }
  const std::vector<std::string>& w = args.words;
  if (w.empty()) {
    std::fputs(OverviewText(app).c_str(), stdout);
    return kExitOk;
  }
  if (w.size() > 2 || (w.size() == 2 && w[0] != "session")) {
    std::fprintf(stderr, "pds help: too many words (pds help COMMAND, or pds help session COMMAND)\n");
    return kExitUsage;
  }
  if (w.size() == 2) {
    const HelpPage* page = FindSessionHelpPage(w[1]);
    if (!page) return UnknownName("session command", w[1], SessionCommandNames());
    std::fputs(RenderHelpPage(*page).c_str(), stdout);
    return kExitOk;
  }
  if (!FindSubcommand(app, w[0]) && !FindHelpPage(w[0])) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands({})) names.push_back(sub->get_name());
    std::vector<std::string> topics = Topics();
    names.insert(names.end(), topics.begin(), topics.end());
    return UnknownName("command", w[0], names);
  }
  return PrintCommandPage(w[0], stdout) ? kExitOk : kExitUsage;
}

}  // namespace

CLI::App* FindSubcommand(CLI::App& app, const std::string& name) {
  auto found = app.get_subcommands([&name](CLI::App* sub) { return sub->get_name() == name; });
  return found.empty() ? nullptr : found.front();
}

bool PrintCommandPage(const std::string& name, std::FILE* out) {
  const HelpPage* page = FindHelpPage(name);
  if (!page) {
    std::fprintf(stderr, "pds help: the command '%s' has no page\n", name.c_str());
    return false;
  }
  std::fputs(RenderHelpPage(*page).c_str(), out);
  return true;
}

std::string OverviewText(const CLI::App& app) {
  std::string text =
      "pds - the project data server's command-line host\n"
      "\n"
      "Usage: pds COMMAND [ARGUMENTS]\n"
      "\n"
      "Commands:\n";
  for (const CLI::App* sub : app.get_subcommands({})) {
    std::string name = sub->get_name();
    text += "  " + name + std::string(name.size() < 12 ? 12 - name.size() : 1, ' ') + sub->get_description() + "\n";
  }
  text +=
      "\n"
      "'pds help COMMAND' or 'pds COMMAND --help' prints a command's manual page,\n"
      "'pds help session COMMAND' that of a command typed in a session, and\n"
      "'pds help answers' the answer files of 'pds session --ui script:FILE'.\n"
      "'pds --version' prints the version.\n"
      "\n"
      "Exit status:\n";
  for (const HelpItem& item : ExitStatusItems()) text += WrapText(item.term + "  " + item.text, 2, 5);
  return text;
}

CommandRunner RegisterHelp(CLI::App& app) {
  auto [sub, args] = AddSubcommand<HelpArgs>(app, "help", "Show the manual page of a command");
  sub->add_option("COMMAND", args->words, "A command, 'session COMMAND', or a topic");
  sub->add_flag("--all", args->all, "Print every page");
  sub->add_flag("--check", args->check, "Check that every command and option has its page");
  sub->add_option("--man", args->man_folder, "Write the manual pages into a folder");
  CLI::App* root = &app;
  return [root, args = args] { return Run(*root, *args); };
}

}  // namespace pds::app
