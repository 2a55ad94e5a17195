#include "projects/deletion_marker.h"

#include "pds/Text.h"
#include "files/file_routines.h"

namespace pds {

namespace {

// A name that stays inside its folder: no path part, not "." or "..".
bool IsBareName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

// The largest marker read: a project's file list is a few hundred bytes.
constexpr std::uint64_t kMaxMarkerBytes = 64u << 10;

}  // namespace

platform::Status WriteDeletionMarker(const std::string& folder, const DeletionMarker& marker) {
  std::string text = marker.job_name + "\r\n";
  for (const std::string& file : marker.files) text += file + "\r\n";
  return platform::CurrentEnv()->WriteFileAtomic(AddBackslash(folder) + kDeletionMarkerName, text);
}

bool ReadDeletionMarker(const std::string& folder, DeletionMarker* marker) {
  const std::string path = AddBackslash(folder) + kDeletionMarkerName;
  platform::FileAttributes attributes;
  if (!platform::CurrentEnv()->GetLinkAttributes(path, &attributes).ok() || attributes.link ||
      attributes.directory || attributes.special || attributes.size > kMaxMarkerBytes) {
    return false;
  }
  std::string text;
  if (!platform::CurrentEnv()->ReadFile(path, &text).ok()) return false;
  *marker = DeletionMarker{};
  std::size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (first) {
      marker->job_name = line;
      first = false;
    } else if (IsBareName(line)) {
      marker->files.push_back(line);
    }
  }
  return !Trim(marker->job_name).empty();
}

std::string DeletionLeftoverFolder(const std::string& projects_folder, const std::string& job_name) {
  const std::string name = Trim(job_name);
  if (!IsBareName(name) || Trim(projects_folder).empty()) return {};
  const std::string folder = AddBackslash(projects_folder) + name;
  platform::FileAttributes attributes;
  if (!platform::CurrentEnv()->GetLinkAttributes(folder, &attributes).ok() || !attributes.directory) return {};
  return folder;
}

}  // namespace pds
