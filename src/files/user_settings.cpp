#include "pds/UserSettings.h"

#include "files/profile_file.h"
#include "pds/PendingError.h"
#include "platform/env.h"

namespace pds {

namespace {

std::string NonEmptyVar(const char* name) {
  std::optional<std::string> value = platform::CurrentEnv()->GetEnvVar(name);
  return value ? *value : std::string();
}

// The folders down to the settings file, made where missing: the first
// write on a fresh account finds neither ~/.config nor tvx-ii.
bool MakeFolders(const std::string& file) {
  platform::Env* env = platform::CurrentEnv();
  for (std::size_t at = file.find('/', 1); at != std::string::npos; at = file.find('/', at + 1)) {
    const std::string folder = file.substr(0, at);
    platform::FileAttributes attributes;
    if (env->GetAttributes(folder, &attributes).ok()) continue;
    const platform::Status s = env->CreateFolder(folder);
    if (!s.ok() && s.code != platform::kErrAlreadyExists) {
      SetLastOsError(s.code);
      return false;
    }
  }
  return true;
}

}  // namespace

std::string UserSettingsFile(const std::string& application) {
  std::string base = NonEmptyVar("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the convention says.
  if (base.empty() || base.front() != '/') {
    const std::string home = NonEmptyVar("HOME");
    if (home.empty()) return {};
    base = home + (home.back() == '/' ? "" : "/") + ".config";
  }
  if (base.back() != '/') base += '/';
  return base + "tvx-ii/" + application + ".ini";
}

bool SaveUserSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& value) {
  const std::string file = UserSettingsFile(application);
  if (file.empty() || !MakeFolders(file)) return false;
  return platform::WritePrivateProfileString(section, key, value, file);
}

std::optional<std::string> GetUserSetting(const std::string& application, const std::string& section,
                                          const std::string& key) {
  const std::string file = UserSettingsFile(application);
  if (file.empty()) return std::nullopt;
  platform::ProfileText text;
  if (!platform::ReadProfile(file, &text).ok()) return std::nullopt;
  return text.Value(section, key);
}

bool DeleteUserSetting(const std::string& application, const std::string& section, const std::string& key) {
  const std::string file = UserSettingsFile(application);
  if (file.empty()) return true;
  platform::ProfileText text;
  const platform::Status read = platform::ReadProfile(file, &text);
  if (read.code == 2 || read.code == 3) return true;
  if (!read.ok()) {
    SetLastOsError(read.code);
    return false;
  }
  bool changed = text.DeleteKey(section, key);
  const auto entries = text.Entries(section);
  if (entries && entries->empty()) changed = text.DeleteSection(section) || changed;
  if (!changed) return true;
  // A file left with nothing in it goes too: a settings exchange leaves no trace.
  const platform::Status s =
      text.empty() ? platform::CurrentEnv()->DeleteFile(file) : platform::WriteProfile(file, text);
  if (!s.ok()) SetLastOsError(s.code);
  return s.ok();
}

}  // namespace pds
