#include "platform/errors.h"

#include <cerrno>
#include <cstring>

namespace pds::platform {

namespace {
struct Mapping {
  int err;
  int code;
};

// The first row naming a code also gives the errno whose text stands for it.
constexpr Mapping kMappings[] = {
    {ENOENT, 2},     // file not found
    {ENOTDIR, 3},    // path not found
    {EMFILE, 4},     // too many open files
    {EACCES, 5},     // access denied
    {EPERM, 5},
    {EROFS, 19},     // write protected
    {EBADF, 6},      // invalid handle
    {ENOMEM, 8},     // not enough memory
    {EXDEV, 17},     // not same device
    {ENODEV, 21},    // device not ready
    {ENXIO, 21},
    {EIO, 23},       // data error
    {EBUSY, 32},     // sharing violation
    {EAGAIN, 32},
    {ETXTBSY, 32},
    {ENOSPC, 112},   // disk full
    {EDQUOT, 112},
    {EEXIST, 183},   // already exists
    {ENOTEMPTY, 145},  // directory not empty
    {ENAMETOOLONG, 206},
    {EINVAL, 87},    // invalid parameter
    {ELOOP, 1921},   // link cannot be followed
    {EISDIR, 5},
    {ECHILD, 128},
    {ENOSYS, 1},
};

// Codes that have no errno of their own but appear in the component's messages.
struct Text {
  int code;
  const char* text;
};
constexpr Text kTexts[] = {
    {18, "There are no more files."},
    {1, "Incorrect function."},
    {1245, "The operation being requested was not performed because the user has not logged on to the network."},
    {1222, "The network is not present or not started."},
    {2250, "This network connection does not exist."},
};
}  // namespace

int WinErrorFromErrno(int err) {
  if (err == 0) return 0;
  for (const Mapping& m : kMappings) {
    if (m.err == err) return m.code;
  }
  return 1;
}

std::string SystemErrorMessage(int code) {
  if (code == 0) return {};
  for (const Text& t : kTexts) {
    if (t.code == code) return std::string(t.text) + "\r\n";
  }
  for (const Mapping& m : kMappings) {
    if (m.code == code) {
      std::string text = std::strerror(m.err);
      return text + ".\r\n";
    }
  }
  return {};
}

}  // namespace pds::platform
