#include <cstdio>

#include "apps/pds/commands.h"

namespace pds::app {

CommandRunner RegisterSession(CLI::App& app) {
  app.add_subcommand("session", "Run one application session (not yet available)");
  return [] {
    std::fprintf(stderr, "pds session: not yet available\n");
    return 1;
  };
}

}  // namespace pds::app
