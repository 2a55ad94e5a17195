// The deflate pieces the zip writer puts together. A small entry is
// compressed whole by libdeflate (fast, one complete stream). A large entry is
// cut into chunks compressed on several threads: libdeflate always ends its
// output with a final block, so its chunks could not be joined; zlib's raw
// deflate instead ends every chunk but the last with a sync flush (byte
// aligned, not final), each chunk primed with the 32 KiB before it, so the
// joined chunks form one ordinary stream that compresses almost as well as a
// single pass. Data that does not compress is written as stored blocks
// without trying the full compressor, which is where most time would go.
//
// A Compressor holds the state of one thread; it is not shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct libdeflate_compressor;

namespace pds::archive {

using Bytes = std::vector<std::uint8_t>;

// The level the archive is written with: the ordinary zip default.
constexpr int kDeflateLevel = 6;
// How much data before a chunk primes its compression (the deflate window).
constexpr std::size_t kDeflateWindow = 32 * 1024;

class Compressor {
 public:
  Compressor();
  ~Compressor();
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
  bool ok() const;  // false when the compressors could not be allocated

  // A complete deflate stream of data, appended to out.
  bool CompressWhole(const std::uint8_t* data, std::size_t size, Bytes* out);
  // One chunk of a longer stream, appended to out: dictionary is the data
  // just before the chunk (may be empty); a non-final chunk ends byte-aligned
  // without a final block, the final one ends the stream.
  bool CompressChunk(const std::uint8_t* dictionary, std::size_t dictionary_size, const std::uint8_t* data,
                     std::size_t size, bool final, Bytes* out);

  // True when samples of data barely compress, so storing beats trying.
  bool LooksIncompressible(const std::uint8_t* data, std::size_t size);

 private:
  struct Zlib;
  libdeflate_compressor* whole_ = nullptr;
  libdeflate_compressor* probe_ = nullptr;
  std::unique_ptr<Zlib> zlib_;
};

// Appends data as stored (uncompressed) deflate blocks; the last block is
// final when final is set. Must start at a byte boundary of the stream.
void AppendStoredBlocks(const std::uint8_t* data, std::size_t size, bool final, Bytes* out);

// The CRC-32 of zip, continued from crc (0 to start).
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace pds::archive
