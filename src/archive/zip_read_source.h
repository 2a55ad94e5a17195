// A libzip read source over a platform descriptor that reads with ReadAt, so
// several archives opened on one descriptor (one per extracting thread) never
// disturb each other's position. The descriptor stays the caller's.
#pragma once

#include <cstdint>

#include "archive/zip_codes.h"

struct zip;

namespace pds::platform {
class Env;
}

namespace pds::archive {

// Opens the archive read-only with consistency checks; nullptr with *failure set otherwise.
zip* OpenArchiveOnDescriptor(platform::Env* env, int fd, std::uint64_t size, ZipFailure* failure);

// The failure a libzip error code stands for when reading an archive.
ZipFailure ReadFailure(int libzip_code);

}  // namespace pds::archive
