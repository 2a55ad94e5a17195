// The file a new archive is written into, as a libzip source: an unnamed
// file in the destination folder (platform Env), named only when libzip
// commits the finished archive, after it has been flushed to the disk. A run
// that fails or is discarded leaves nothing in the folder and the previous
// archive of that name untouched.
#pragma once

#include <cstdint>
#include <string>

#include "archive/zip_run.h"

struct zip;
struct zip_error;

namespace pds::platform {
class Env;
}

namespace pds::archive {

class ZipOutput {
 public:
  ZipOutput(platform::Env* env, const std::string& path);
  ~ZipOutput();
  ZipOutput(const ZipOutput&) = delete;
  ZipOutput& operator=(const ZipOutput&) = delete;

  // A new, empty archive writing into this output; nullptr on failure. The
  // archive owns the output's source from then on, the object itself must
  // outlive it.
  zip* OpenArchive(zip_error* error);

  // The outcome: the output's own failure when it had one, else fallback
  // (kNone when all went well), with the path as detail.
  ZipResult Result(ZipFailure fallback) const;

  // Called by the libzip source callback.
  std::int64_t Command(void* data, std::uint64_t len, int cmd);

 private:
  void Fail(int system_code);
  void Drop();

  platform::Env* env_;
  std::string path_;
  int fd_ = -1;
  std::uint64_t position_ = 0;
  std::uint64_t length_ = 0;
  ZipFailure failure_ = ZipFailure::kNone;
  struct Error;
  Error* error_;
};

}  // namespace pds::archive
