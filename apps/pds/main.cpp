// The `pds` command: the command-line host of the project data server.
//
// Help is ours rather than the parser's: `pds --help` lists the commands,
// `pds help COMMAND` and `pds COMMAND --help` print the manual page, and an
// unknown command is named with the nearest known one. Exit codes: see
// commands.h.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "apps/pds/commands.h"
#include "apps/pds/qt_session_host.h"
#include "apps/pds/help_text.h"
#include "pds/Version.h"
#include "pds/StdDescriptors.h"

namespace {

bool IsHelpFlag(const std::string& arg) { return arg == "--help" || arg == "-h"; }

}  // namespace

int main(int argc, char** argv) {
  using namespace pds::app;
  // Before anything is opened: a closed standard output would otherwise be
  // the descriptor of the first database, and the output would be written
  // into it.
  if (!pds::platform::EnsureStandardDescriptors()) {
    static const char kMessage[] = "pds: cannot open /dev/null for a closed standard input, output or error\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    return kExitFailed;
  }
  RememberArguments(argv);
  CLI::App app{"pds - the project data server's command-line host", "pds"};
  // Removed before the subcommands exist, so that none of them inherits it.
  app.set_help_flag();
  app.set_version_flag("--version", std::string("pds ") + pds::kVersionText);
  app.require_subcommand(0, 1);

  std::vector<std::pair<CLI::App*, CommandRunner>> commands;
  auto add = [&](CommandRunner runner) {
    CLI::App* sub = app.get_subcommands({}).back();
    // Listings and pages share one summary.
    if (std::string summary = HelpSummary(sub->get_name()); !summary.empty()) sub->description(summary);
    commands.emplace_back(sub, std::move(runner));
  };
  add(RegisterDemo(app));
  add(RegisterInstall(app));
  add(RegisterSession(app));
  add(RegisterArchiveInfo(app));
  add(RegisterSearch(app));
  add(RegisterCheck(app));
  add(RegisterSelfCheck(app));
  add(RegisterHelp(app));
  add(RegisterCompletion(app));

  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(OverviewText(app).c_str(), stdout);
    return kExitUsage;
  }
  if (IsHelpFlag(args[0])) {
    std::fputs(OverviewText(app).c_str(), stdout);
    return kExitOk;
  }
  if (args[0][0] != '-') {
    if (!FindSubcommand(app, args[0])) {
      std::vector<std::string> names;
      for (const CLI::App* sub : app.get_subcommands({})) names.push_back(sub->get_name());
      std::fprintf(stderr, "pds: unknown command '%s'; did you mean '%s'? (pds --help lists the commands)\n",
                   args[0].c_str(), ClosestName(args[0], names).c_str());
      return kExitUsage;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (IsHelpFlag(args[i])) return PrintCommandPage(args[0], stdout) ? kExitOk : kExitUsage;
    }
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --version
    std::string command = args[0][0] != '-' ? args[0] : "";
    std::fprintf(stderr, "pds%s: %s (see 'pds help%s')\n", command.empty() ? "" : (" " + command).c_str(), e.what(),
                 command.empty() ? "" : (" " + command).c_str());
    return kExitUsage;
  }
  for (auto& [sub, runner] : commands) {
    if (sub->parsed()) return runner();
  }
  std::fputs(OverviewText(app).c_str(), stdout);
  return kExitUsage;
}
