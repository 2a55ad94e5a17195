#include <cstdio>

namespace pds::app {
bool RunSelfCheck() {
  std::printf("  engine: not yet built\n");
  return true;
}
}  // namespace pds::app
