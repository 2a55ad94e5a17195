#include "pds/ArchiveInfo.h"

#include <locale.h>
#include <zip.h>

#include <ctime>

#include "archive/zip_reader.h"
#include "pds/PendingError.h"
#include "platform/env.h"
#include "projects/project_file.h"

namespace pds {

namespace {

constexpr char kProjectFile[] = "PROJECT.QVP";

// The "Properties" keys shown, after "Project Name", in the order the
// archive information dialog lists them.
constexpr const char* kPropertyKeys[] = {"Project Number", "Project Date", "Contact Type", "Contact Name",
                                         "Salesperson",    "Last Modified", "Project Notes"};

// Local date and time in the user's locale (LC_TIME of the environment),
// without touching the process's global locale.
std::string LocalDateTimeText(const platform::TimePoint& when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return {};
  char buf[128];
  std::size_t n = 0;
  if (locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr))) {
    n = strftime_l(buf, sizeof buf, "%x %X", &tm, loc);
    freelocale(loc);
  } else {
    n = std::strftime(buf, sizeof buf, "%x %X", &tm);
  }
  return std::string(buf, n);
}

// A private folder for the extracted project file, removed with what it
// holds when the reading ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    platform::Env* env = platform::CurrentEnv();
    if (!env->CreateUniqueFolder(env->TempFolder(), "pds-archive-info-", &path_).ok()) path_.clear();
  }
  ~ScratchFolder() {
    if (path_.empty()) return;
    platform::Env* env = platform::CurrentEnv();
    (void)env->EmptyFolder(path_, false);
    (void)env->RemoveFolder(path_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The entry names, read once the archive has passed the reader's checks.
std::vector<std::string> EntryNames(const std::string& path) {
  std::vector<std::string> names;
  int error = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!za) return names;
  const zip_int64_t count = zip_get_num_entries(za, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    if (const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS)) names.push_back(name);
  }
  zip_discard(za);
  return names;
}

bool ReadInfo(const std::string& path, ArchiveInfo* info, std::string* error) {
  platform::Env* env = platform::CurrentEnv();
  platform::FileAttributes attrs;
  if (!env->GetAttributes(path, &attrs).ok()) {
    *error = "no archive " + path;
    return false;
  }
  if (attrs.directory) {
    *error = path + " is a folder, not an archive";
    return false;
  }
  ScratchFolder scratch;
  if (scratch.path().empty()) {
    *error = "no private temporary folder for reading " + path;
    return false;
  }
  archive::ZipExtractOptions options;
  options.extract_as = kProjectFile;
  const archive::ZipResult r = archive::ExtractZipEntries(path, scratch.path(), kProjectFile, options);
  if (r.failure == archive::ZipFailure::kNothingMatched) {
    *error = path + " holds no project file " + kProjectFile + "; it is not a project archive";
    return false;
  }
  if (!r.ok()) {
    *error = "cannot read " + path + ": " + archive::ZipErrorText(r.code()) + (r.detail.empty() ? "" : " (" + r.detail + ")");
    return false;
  }
  const std::string file = scratch.path() + "/" + kProjectFile;
  std::string value;
  (void)ReadPPS("Project", "Master Archive Version", value, file);
  info->version = value;
  (void)ReadPPS("Project", "Project Name", value, file);
  info->properties.push_back({"Project Name", value});
  for (const char* key : kPropertyKeys) {
    (void)ReadPPS("Properties", key, value, file);
    info->properties.push_back({key, std::string(key) == "Project Notes" ? DecodeNotesValue(value) : value});
  }
  AppList apps;
  if (!ReadProjectFileApps(apps, file)) {
    *error = "cannot read the application list of " + path;
    return false;
  }
  for (const auto& [key, name] : apps) info->applications.push_back({key, ArchivedAppDisplayText(key, name)});
  info->entries = EntryNames(path);
  platform::FileTimes times;
  if (env->GetFileTimes(path, &times).ok()) {
    info->created = LocalDateTimeText(times.creation);
    info->last_modified = LocalDateTimeText(times.last_write);
  }
  return true;
}

}  // namespace

std::string ArchivedAppDisplayText(const std::string& key, const std::string& value) {
  if (!value.empty() && value.back() >= '0' && value.back() <= '9') return value;
  if (key.size() < 2) return value;
  return value + " v" + key.substr(key.size() - 2, 1) + "." + key.substr(key.size() - 1);
}

bool ReadArchiveInfo(const std::string& path, ArchiveInfo* info, std::string* error) {
  *info = ArchiveInfo{};
  error->clear();
  bool ok = false;
  if (!TryStatement([&] {
    ok = ReadInfo(path, info, error);
  })) {
    *error = "cannot read " + path;
  }
  // The readers record their outcome as the pending error; nothing is
  // reported from here, so nothing stays pending either.
  ClearError();
  return ok;
}

}  // namespace pds
