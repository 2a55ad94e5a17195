// `pds selfcheck`: the component's version and a short check that the database
// engine works on this machine.
#include <cstdio>

#include "apps/pds/commands.h"
#include "pds/Version.h"

namespace pds::app {

bool RunSelfCheck();

CommandRunner RegisterSelfCheck(CLI::App& app) {
  app.add_subcommand("selfcheck", "Print the version and check the database engine");
  return [] {
    std::printf("project data server %s\n", pds::kVersionText);
    bool ok = RunSelfCheck();
    std::printf("self-check: %s\n", ok ? "passed" : "FAILED");
    return ok ? 0 : 1;
  };
}

}  // namespace pds::app
