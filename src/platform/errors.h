// The one place where errno values become the Windows-style system error codes
// the component's messages are written against, and where a code becomes the
// system's text for it.
#pragma once

#include <string>

namespace pds::platform {

// 2 file not found, 3 path not found, 5 access denied, 18 no more files,
// 21 device not ready, 32 sharing violation, 39 disk full, 80 file exists,
// 183 already exists, 145 folder not empty ... Unknown errno values map to
// 1 (incorrect function) rather than to success. ENOENT is always 2 here: this
// table cannot tell a missing file from a missing folder, so the POSIX
// environment, which knows the path, reports 3 when the folder part is missing.
int WinErrorFromErrno(int err);

// The system's text for a Windows-style code, ending in CR LF as the system
// message table's texts do; empty for 0 and for codes the system does not know.
std::string SystemErrorMessage(int code);

}  // namespace pds::platform
