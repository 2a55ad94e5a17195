#include "engine/file_lease.h"

#include <map>
#include <vector>

#include "pds/db/jet_errors.h"
#include "platform/env.h"

namespace pds::db {

namespace {

constexpr int kSharingViolation = 32;

// Never destroyed: databases held by static objects may close after exit begins.
std::map<std::string, std::weak_ptr<FileLease>>& Leases() {
  static auto* leases = new std::map<std::string, std::weak_ptr<FileLease>>();
  return *leases;
}

// The machine named in "opened exclusively by user 'Admin' on machine ...".
std::string MachineName() {
  std::string name;
  if (platform::CurrentEnv()->ReadFile("/proc/sys/kernel/hostname", &name).ok()) {
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r' || name.back() == ' ')) name.pop_back();
  }
  return name.empty() ? std::string("localhost") : name;
}

[[noreturn]] void RaiseLockFailure(const std::string& path, int code, bool wanted_exclusive) {
  platform::Env* env = platform::CurrentEnv();
  if (code == kSharingViolation) {
    if (wanted_exclusive) {
      // Held, but maybe only shared: then the file is merely in use.
      int probe = -1;
      if (env->LockFileRange(path, platform::RangeLock::kShared, &probe).ok()) {
        env->ReleaseRangeLock(probe);
        RaiseJet(kErrFileInUse, path);
      }
    }
    RaiseJet(kErrOpenedExclusively, MachineName());
  }
  RaiseFileFailure(code, path);
}

}  // namespace

std::string NormalizedPath(const std::string& path) {
  std::string full = path;
  if (full.empty() || full.front() != '/') {
    std::string cwd = platform::CurrentEnv()->CurrentFolder();
    if (!cwd.empty() && cwd.back() != '/') cwd.push_back('/');
    full = cwd + full;
  }
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= full.size()) {
    std::size_t slash = full.find('/', start);
    if (slash == std::string::npos) slash = full.size();
    std::string part = full.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = slash + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  return out.empty() ? std::string("/") : out;
}

FileLease::~FileLease() {
  if (handle_ >= 0) platform::CurrentEnv()->ReleaseRangeLock(handle_);
  auto& leases = Leases();
  auto it = leases.find(key_);
  if (it != leases.end() && it->second.expired()) leases.erase(it);
}

void FileLease::Upgrade() {
  platform::Env* env = platform::CurrentEnv();
  // A range lock cannot be converted in place: let go of the shared lock and
  // ask for the exclusive one; on refusal take the shared lock back.
  if (handle_ >= 0) env->ReleaseRangeLock(handle_);
  handle_ = -1;
  int handle = -1;
  platform::Status st = env->LockFileRange(path_, platform::RangeLock::kExclusive, &handle);
  if (st.ok()) {
    handle_ = handle;
    exclusive_ = true;
    return;
  }
  int shared = -1;
  if (env->LockFileRange(path_, platform::RangeLock::kShared, &shared).ok()) handle_ = shared;
  if (st.code == kSharingViolation) RaiseJet(kErrFileInUse, path_);
  RaiseLockFailure(path_, st.code, true);
}

std::shared_ptr<FileLease> AcquireFileLease(const std::string& path, bool exclusive) {
  const std::string key = NormalizedPath(path);
  auto& leases = Leases();
  auto it = leases.find(key);
  if (it != leases.end()) {
    if (std::shared_ptr<FileLease> existing = it->second.lock()) {
      if (exclusive && !existing->exclusive()) existing->Upgrade();
      return existing;
    }
  }
  int handle = -1;
  platform::Env* env = platform::CurrentEnv();
  platform::Status st =
      env->LockFileRange(path, exclusive ? platform::RangeLock::kExclusive : platform::RangeLock::kShared, &handle);
  if (!st.ok() && exclusive && st.code == platform::kErrAccessDenied) {
    // A file this process may only read cannot carry an exclusive lock; it is
    // held shared instead, which still keeps exclusive openers out.
    exclusive = false;
    st = env->LockFileRange(path, platform::RangeLock::kShared, &handle);
  }
  if (!st.ok()) RaiseLockFailure(path, st.code, exclusive);
  auto lease = std::make_shared<FileLease>(key, path, handle, exclusive);
  leases[key] = lease;
  return lease;
}

bool IsFileLeased(const std::string& path) {
  auto& leases = Leases();
  auto it = leases.find(NormalizedPath(path));
  return it != leases.end() && !it->second.expired();
}

}  // namespace pds::db
