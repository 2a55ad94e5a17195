#include "archive/zip_run.h"
#include "pds/Text.h"

namespace pds::archive {

bool IsBareEntryName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) return false;
  // "C:name" is relative to a drive's current folder where drive letters exist.
  if (name.find(':') != std::string::npos) return false;
  return true;
}


bool UsesDiskSpanning(const std::string& /*destination_path*/) { return false; }

}  // namespace pds::archive
