#include "platform/errors.h"

#include <cerrno>
#include <cstring>

namespace pds::platform {

namespace {
struct Mapping {
  int err;
  int code;
};

// The first row naming a code also gives the errno whose text stands for it,
// unless kTextErrno below names another.
constexpr Mapping kMappings[] = {
    {ENOENT, 2},     // file not found (the POSIX environment makes it 3 when the folder is missing)
    {ENOTDIR, 3},    // path not found
    {EMFILE, 4},     // too many open files
    {ENFILE, 4},
    {EACCES, 5},     // access denied
    {EPERM, 5},
    {EISDIR, 5},
    {EBADF, 6},      // invalid handle
    {ENOMEM, 8},     // not enough memory
    {EXDEV, 17},     // not same device
    {EROFS, 19},     // write protected
    {ENODEV, 21},    // device not ready
    {ENXIO, 21},
    {EIO, 23},       // data error
    {EBUSY, 32},     // sharing violation
    {EAGAIN, 32},    // also EWOULDBLOCK: a lock held elsewhere
    {ETXTBSY, 32},
    {EOPNOTSUPP, 50},  // not supported
    {EINVAL, 87},    // invalid parameter
    {ENOSPC, 112},   // disk full
    {EDQUOT, 112},
    {ETIMEDOUT, 121},  // time-out
    {ECHILD, 128},   // no child processes
    {ENOTEMPTY, 145},  // folder not empty (removing a folder reports 5 instead, as Windows does)
    {EEXIST, 183},   // already exists (80 where a new file is made under a taken name)
    {ENOEXEC, 193},  // not a valid program
    {ENAMETOOLONG, 206},
    {EFBIG, 223},    // file too large
    {ENETDOWN, 1222},  // no network
    {ENETUNREACH, 1222},
    {ELOOP, 1921},   // link cannot be followed
    {ENOSYS, 1},
};

// Codes whose text comes from an errno other than the first one mapped to them.
constexpr Mapping kTextErrno[] = {
    {ENOENT, 3},   // a missing folder is the usual cause of "path not found"
    {EEXIST, 80},  // file exists
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
    {1920, "The file cannot be accessed by the system: it is not a plain file (a folder, device or pipe)."},
    {1921, "The name is a symbolic link, which is never followed here."},
    {1922, "The file or its folder is marked immutable or append-only, so it cannot be removed or replaced."},
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
  for (const Mapping& m : kTextErrno) {
    if (m.code == code) return std::string(std::strerror(m.err)) + ".\r\n";
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
