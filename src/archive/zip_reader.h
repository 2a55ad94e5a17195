// Extracts entries of a project archive into one folder, treating every
// archive as hostile. Before anything is written the whole archive is
// checked: names must be bare (no folder part, "..", absolute path,
// backslash or drive letter), no symbolic links, no two names alike (case
// ignored), no encryption, only stored or deflated data, and the central
// directory must agree with the local headers. The chosen entries are then
// inflated in parallel into unnamed files in the destination folder, each
// bounded by the size it declares (an entry inflating past it is refused at
// once, a zip bomb never fills the disk) and checked against its CRC; only
// when every one is sound are they given their names. A refused or failed
// run leaves the folder as it was.
#pragma once

#include <string>

#include "archive/zip_run.h"

namespace pds::archive {

struct ZipExtractOptions {
  ZipHooks hooks;
  // Not empty: the one entry extracted is written under this bare name.
  std::string extract_as;
  unsigned threads = 0;  // 0: one per core
};

// Extracts the entries whose names match pattern (Windows rules, case
// ignored; surrounding double quotes are dropped) into folder, replacing
// files of the same name. Failures: the archive missing or a folder
// (kNotFound), empty or cut short (kTruncated), damaged records, unsafe or
// oversized entries (kStructure family), kEncrypted, kUnknownMethod,
// kCrcMismatch, no entry matching (kNothingMatched), a missing destination
// folder (kOpenOutput), an output that cannot be made (kCreateOutput,
// kDiskFull), kCancelled. The detail names the entry or path concerned.
ZipResult ExtractZipEntries(const std::string& zip_path, const std::string& folder, const std::string& pattern,
                            const ZipExtractOptions& options = {});

}  // namespace pds::archive
