#include "pds/StdDescriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace pds::platform {

bool EnsureStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() returns the lowest free number, which is fd itself when every
    // lower one is open; the loop fills them in order, so that holds. Not
    // close-on-exec: a child process must inherit its standard descriptors.
    int opened;
    do {
      opened = open("/dev/null", O_RDWR);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0) return false;
    if (opened != fd) {
      // Another thread took fd meanwhile: that file keeps it, and the
      // standard number stays in use by something that is not ours to move.
      close(opened);
      return false;
    }
  }
  return true;
}

}  // namespace pds::platform
