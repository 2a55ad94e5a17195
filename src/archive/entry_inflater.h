// Inflates one archive entry into a descriptor, trusting nothing the entry
// declares: output beyond the declared size stops the entry at once, a
// shorter result, data past the end of the deflate stream or a stream that
// ends early is a damaged entry, and the CRC must match. Small entries are
// inflated whole with libdeflate (fast); large ones are streamed through
// zlib in bounded buffers.
#pragma once

#include <atomic>
#include <cstdint>

#include "archive/zip_codes.h"

struct zip;

namespace pds::platform {
class Env;
}

namespace pds::archive {

struct EntryFacts {
  std::uint64_t index = 0;
  std::uint64_t size = 0;       // declared uncompressed size
  std::uint64_t comp_size = 0;  // declared compressed size
  std::uint32_t crc = 0;
  bool deflated = false;        // else stored
};

// Writes the entry's content at the start of out_fd. progress counts the
// uncompressed bytes as they are written; cancel is read between buffers.
ZipFailure InflateEntry(platform::Env* env, zip* archive, const EntryFacts& entry, int out_fd,
                        std::atomic<std::uint64_t>* progress, const std::atomic<bool>* cancel);

}  // namespace pds::archive
