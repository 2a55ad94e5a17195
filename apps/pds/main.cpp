// The `pds` command. At this stage it reports the component's version and
// checks that the database engine works on this machine.
#include <cstdio>
#include <cstring>
#include <string>

#include "pds/Version.h"

namespace pds::app {
// Opens a scratch database through the engine layer, writes and reads it back;
// prints one line per check and returns true when all passed.
bool RunSelfCheck();
}  // namespace pds::app

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "version") == 0)) {
    std::printf("pds %s\n", pds::kVersionText);
    return 0;
  }
  std::printf("project data server %s\n", pds::kVersionText);
  bool ok = pds::app::RunSelfCheck();
  std::printf("self-check: %s\n", ok ? "passed" : "FAILED");
  return ok ? 0 : 1;
}
