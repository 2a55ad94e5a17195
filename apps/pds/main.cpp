// The `pds` command: the command-line host of the project data server.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "apps/pds/commands.h"
#include "pds/Version.h"

int main(int argc, char** argv) {
  CLI::App app{"pds - the project data server's command-line host"};
  app.set_version_flag("--version", std::string("pds ") + pds::kVersionText);
  app.require_subcommand(0, 1);

  std::vector<std::pair<CLI::App*, pds::app::CommandRunner>> commands;
  auto add = [&](pds::app::CommandRunner runner) {
    commands.emplace_back(app.get_subcommands({}).back(), std::move(runner));
  };
  add(pds::app::RegisterSelfCheck(app));
  add(pds::app::RegisterInstall(app));
  add(pds::app::RegisterSession(app));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  for (auto& [sub, runner] : commands) {
    if (sub->parsed()) return runner();
  }
  // No subcommand: the main job.
  return commands.front().second();
}
