// Private folders: the per-user folder under the temporary folder and the
// unique per-process folders made inside it. A shared temporary folder is
// open to every user, so the per-user folder is only trusted when it is a
// real folder of ours that nobody else can enter or write; everything made
// inside it is then out of other users' reach.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix_env.h"

namespace pds::platform {

namespace {

std::string WithSlash(const std::string& folder) {
  return !folder.empty() && folder.back() == '/' ? folder : folder + '/';
}

}  // namespace

Status PosixEnvImpl::UserPrivateFolder(const std::string& parent, std::string* folder) {
  const std::string path = WithSlash(parent) + "pds-" + std::to_string(geteuid());
  *folder = path;
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return PathError(errno, path);
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return PathError(errno, path);
  // Someone else's folder, a link or a folder others may write in would let
  // another user read or replace our working files.
  if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 0077) != 0) {
    return Status::Error(kErrAccessDenied);
  }
  return Status::Ok();
}

Status PosixEnvImpl::CreateUniqueFolder(const std::string& parent, const std::string& prefix, std::string* folder) {
  std::string pattern = WithSlash(parent) + prefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) return PathError(errno, pattern);
  *folder = buffer.data();
  return Status::Ok();
}

}  // namespace pds::platform
