// What an archive or extract run shares: the hooks a host gives it and the
// result it gets back. Hooks are called on the caller's thread only, from the
// run's loop, never from the compression threads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/zip_codes.h"

namespace pds::archive {

struct ZipHooks {
  // Percent of the whole run and of the current item (0..100), with the
  // item's entry name; called whenever either percentage moves.
  std::function<void(int run_percent, const std::string& item, int item_percent)> progress;
  // Called at least every few hundred milliseconds while the run waits for
  // its threads, so a host can process events; false stops the run, which
  // then ends with kCancelled and leaves nothing behind.
  std::function<bool()> keep_alive;
};

struct ZipResult {
  ZipFailure failure = ZipFailure::kNone;
  std::string detail;  // the entry, item or path the failure concerns
  std::int32_t code() const { return ZipResultCode(failure); }
  bool ok() const { return failure == ZipFailure::kNone; }
};

// True when name is usable as an entry or extracted file name on its own: not
// empty, not "." or "..", no "/" or "\", no drive letter ("C:"), no NUL.
bool IsBareEntryName(const std::string& name);


// Whether an archive is written across several removable disks. Spanning
// exists for floppy drives named A: and B:; POSIX paths have no drive
// letters and no such drives, so it never applies here.
bool UsesDiskSpanning(const std::string& destination_path);

}  // namespace pds::archive
