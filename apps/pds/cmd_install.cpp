#include <cstdio>

#include "apps/pds/commands.h"

namespace pds::app {

CommandRunner RegisterInstall(CLI::App& app) {
  app.add_subcommand("install", "Create an installation folder (not yet available)");
  return [] {
    std::fprintf(stderr, "pds install: not yet available\n");
    return 1;
  };
}

}  // namespace pds::app
