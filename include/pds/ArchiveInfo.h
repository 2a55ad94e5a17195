// What a project archive (".QVA") holds, read without an installation: the
// archived project's properties from its project file PROJECT.QVP, the
// archive's master version, the archive file's times and the applications
// that keep data in it.
//
// Every archive is treated as hostile: the project file is extracted by the
// archive reader (which refuses unsafe or damaged archives) into a private
// temporary folder of its own, read there, and removed again, whatever
// happens. Nothing here throws and nothing is shown to the user; a failure
// comes back as false with a message.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pds {

struct ArchiveInfo {
  // (key, value) pairs of the project file, in this order: "Project Name",
  // then the "Properties" keys "Project Number", "Project Date", "Contact
  // Type", "Contact Name", "Salesperson", "Last Modified", "Project Notes".
  std::vector<std::pair<std::string, std::string>> properties;
  std::string version;        // "Master Archive Version" of section "Project"
  std::string created;        // the archive file's times, local date and time
  std::string last_modified;  // in the user's locale
  // (designation, display text) per line of "Application Data", in file order.
  std::vector<std::pair<std::string, std::string>> applications;
  // The archive's entry names, in the order they are stored.
  std::vector<std::string> entries;
};

// Reads the archive at path. False, with the reason in *error, when the
// archive is missing, not a readable archive, refused as unsafe, or holds no
// PROJECT.QVP.
bool ReadArchiveInfo(const std::string& path, ArchiveInfo* info, std::string* error);

// How an archived application is named to the user: the name, followed by
// " v" and the designation's last two characters joined by "." when the name
// does not already end in a digit (key ABC12, "Sample App" -> "Sample App v1.2").
std::string ArchivedAppDisplayText(const std::string& key, const std::string& value);

}  // namespace pds
