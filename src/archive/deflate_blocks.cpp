#include "archive/deflate_blocks.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>

namespace pds::archive {

struct Compressor::Zlib {
  z_stream stream{};
  bool ready = false;
  Zlib() { ready = deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
  ~Zlib() {
    if (ready) deflateEnd(&stream);
  }
};

Compressor::Compressor()
    : whole_(libdeflate_alloc_compressor(kDeflateLevel)),
      probe_(libdeflate_alloc_compressor(1)),
      zlib_(std::make_unique<Zlib>()) {}

Compressor::~Compressor() {
  libdeflate_free_compressor(whole_);
  libdeflate_free_compressor(probe_);
}

bool Compressor::ok() const { return whole_ && probe_ && zlib_->ready; }

bool Compressor::LooksIncompressible(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kSample = 16 * 1024;
  if (size < 4 * kSample) return false;
  std::uint8_t out[kSample + 1024];
  // Three samples spread over the data: a header of text before a packed
  // body still gets compressed.
  for (std::size_t at : {std::size_t{0}, size / 2, size - kSample}) {
    std::size_t n = libdeflate_deflate_compress(probe_, data + at, kSample, out, sizeof out);
    if (n == 0 || n < kSample - kSample / 32) return false;
  }
  return true;
}

bool Compressor::CompressWhole(const std::uint8_t* data, std::size_t size, Bytes* out) {
  if (LooksIncompressible(data, size)) {
    AppendStoredBlocks(data, size, true, out);
    return true;
  }
  std::size_t start = out->size();
  out->resize(start + libdeflate_deflate_compress_bound(whole_, size));
  std::size_t n = libdeflate_deflate_compress(whole_, data, size, out->data() + start, out->size() - start);
  if (n == 0) return false;
  out->resize(start + n);
  return true;
}

bool Compressor::CompressChunk(const std::uint8_t* dictionary, std::size_t dictionary_size,
                               const std::uint8_t* data, std::size_t size, bool final, Bytes* out) {
  if (LooksIncompressible(data, size)) {
    AppendStoredBlocks(data, size, final, out);
    return true;
  }
  z_stream& z = zlib_->stream;
  if (deflateReset(&z) != Z_OK) return false;
  if (dictionary_size > 0 && deflateSetDictionary(&z, dictionary, static_cast<uInt>(dictionary_size)) != Z_OK) {
    return false;
  }
  std::size_t start = out->size();
  // deflateBound covers a finished stream; a sync flush adds at most a few bytes.
  out->resize(start + deflateBound(&z, static_cast<uLong>(size)) + 16);
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out->data() + start;
  z.avail_out = static_cast<uInt>(out->size() - start);
  int rc = deflate(&z, final ? Z_FINISH : Z_SYNC_FLUSH);
  if ((final && rc != Z_STREAM_END) || (!final && rc != Z_OK) || z.avail_in != 0) return false;
  out->resize(out->size() - z.avail_out);
  return true;
}

void AppendStoredBlocks(const std::uint8_t* data, std::size_t size, bool final, Bytes* out) {
  constexpr std::size_t kMaxStored = 65535;
  do {
    std::size_t n = std::min(size, kMaxStored);
    bool last = final && n == size;
    std::uint16_t len = static_cast<std::uint16_t>(n);
    std::uint16_t nlen = static_cast<std::uint16_t>(~len);
    out->push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored), padding to the byte
    out->push_back(static_cast<std::uint8_t>(len & 0xff));
    out->push_back(static_cast<std::uint8_t>(len >> 8));
    out->push_back(static_cast<std::uint8_t>(nlen & 0xff));
    out->push_back(static_cast<std::uint8_t>(nlen >> 8));
    out->insert(out->end(), data, data + n);
    data += n;
    size -= n;
  } while (size > 0);
}

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  return libdeflate_crc32(crc, data, size);
}

}  // namespace pds::archive
