#include "pds/HostEnv.h"

#include <vector>

#include "platform/env.h"

namespace pds::host {

using platform::CurrentEnv;

std::int64_t MonotonicMillis() { return CurrentEnv()->MonotonicMillis(); }

std::string ComponentFolder() { return CurrentEnv()->ModuleFolder(); }

std::string TempFolder() { return CurrentEnv()->TempFolder(); }

std::optional<std::string> GetEnvVar(const std::string& name) { return CurrentEnv()->GetEnvVar(name); }

bool Exists(const std::string& path) {
  platform::FileAttributes attributes;
  return CurrentEnv()->GetAttributes(path, &attributes).ok();
}

bool ReadFile(const std::string& path, std::string* content) { return CurrentEnv()->ReadFile(path, content).ok(); }

bool WriteFileAtomic(const std::string& path, const std::string& content) {
  return CurrentEnv()->WriteFileAtomic(path, content).ok();
}

bool CreateFolders(const std::string& folder) {
  platform::Env* env = CurrentEnv();
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = slash == std::string::npos ? folder : folder.substr(0, slash);
    if (!Exists(part)) (void)env->CreateFolder(part);
    if (slash == std::string::npos) break;
  }
  return Exists(folder);
}

bool DeleteFile(const std::string& path) { return CurrentEnv()->DeleteFile(path).ok(); }

bool RemoveFolder(const std::string& folder) { return CurrentEnv()->RemoveFolder(folder).ok(); }

std::string MakeTempFolder(const std::string& prefix) {
  platform::Env* env = CurrentEnv();
  std::string path;
  if (!env->CreateTempFile(env->TempFolder(), prefix, &path).ok()) return "";
  // The unique name is kept for a folder of the same name.
  if (!env->DeleteFile(path).ok() || !env->CreateFolder(path).ok()) return "";
  return path;
}

bool RemoveTree(const std::string& folder) {
  platform::Env* env = CurrentEnv();
  std::vector<platform::DirEntry> entries;
  if (!env->ListFolder(folder, &entries).ok()) return false;
  bool all = true;
  for (const platform::DirEntry& e : entries) {
    if (e.name == "." || e.name == "..") continue;
    const std::string path = folder + "/" + e.name;
    if (e.directory) {
      all = RemoveTree(path) && all;
    } else {
      if (e.read_only) (void)env->SetReadOnly(path, false);
      all = env->DeleteFile(path).ok() && all;
    }
  }
  return env->RemoveFolder(folder).ok() && all;
}

namespace {

// The process's environment, with the temporary folder replaced once one is set.
class TempFolderEnv : public platform::EnvWrapper {
 public:
  explicit TempFolderEnv(platform::Env* target) : EnvWrapper(target) {}
  void Set(std::string folder) { folder_ = std::move(folder); }
  std::string TempFolder() override { return folder_.empty() ? target()->TempFolder() : folder_; }

 private:
  std::string folder_;
};

}  // namespace

struct ScopedTempFolder::Impl {
  Impl() : env(CurrentEnv()), scoped(&env) {}
  TempFolderEnv env;
  platform::ScopedEnv scoped;
};

ScopedTempFolder::ScopedTempFolder() : impl_(std::make_unique<Impl>()) {}
ScopedTempFolder::~ScopedTempFolder() = default;

void ScopedTempFolder::Set(std::string folder) { impl_->env.Set(std::move(folder)); }

}  // namespace pds::host
