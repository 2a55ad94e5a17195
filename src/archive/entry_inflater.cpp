#include "archive/entry_inflater.h"

#include <libdeflate.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "archive/deflate_blocks.h"
#include "archive/zip_read_source.h"
#include "platform/env.h"

namespace pds::archive {

namespace {

// Entries up to this size (both ways) are inflated in one piece in memory.
constexpr std::uint64_t kWholeLimit = 32u << 20;
constexpr std::size_t kBuffer = 1u << 20;

struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};

ZipFailure ReadFailureOf(zip_file_t* f) {
  int code = zip_error_code_zip(zip_file_get_error(f));
  return code == ZIP_ER_MEMORY ? ZipFailure::kOutOfMemory : ZipFailure::kTruncated;
}

// Reads exactly size raw bytes, or says why not.
ZipFailure ReadRaw(zip_file_t* f, std::uint8_t* out, std::uint64_t size) {
  std::uint64_t done = 0;
  while (done < size) {
    zip_int64_t n = zip_fread(f, out + done, size - done);
    if (n < 0) return ReadFailureOf(f);
    if (n == 0) return ZipFailure::kTruncated;
    done += static_cast<std::uint64_t>(n);
  }
  return ZipFailure::kNone;
}

ZipFailure Write(platform::Env* env, int fd, std::uint64_t at, const std::uint8_t* data, std::size_t size) {
  platform::Status s = env->WriteAt(fd, at, data, size);
  return s.ok() ? ZipFailure::kNone : OutputFailure(s.code);
}

ZipFailure InflateWhole(platform::Env* env, zip_file_t* f, const EntryFacts& e, int out_fd,
                        std::atomic<std::uint64_t>* progress) {
  std::vector<std::uint8_t> in(e.comp_size);
  if (ZipFailure r = ReadRaw(f, in.data(), in.size()); r != ZipFailure::kNone) return r;
  std::vector<std::uint8_t> out;
  if (e.deflated) {
    out.resize(e.size);
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> d(libdeflate_alloc_decompressor(),
                                                                                   libdeflate_free_decompressor);
    if (!d) return ZipFailure::kOutOfMemory;
    std::size_t in_used = 0, out_made = 0;
    libdeflate_result rc = libdeflate_deflate_decompress_ex(d.get(), in.data(), in.size(), out.data(), out.size(),
                                                            &in_used, &out_made);
    if (rc == LIBDEFLATE_INSUFFICIENT_SPACE) return ZipFailure::kSizeExceeded;
    if (rc != LIBDEFLATE_SUCCESS || out_made != e.size || in_used != in.size()) return ZipFailure::kStructure;
  } else {
    out = std::move(in);
  }
  if (Crc32(0, out.data(), out.size()) != e.crc) return ZipFailure::kCrcMismatch;
  if (ZipFailure r = Write(env, out_fd, 0, out.data(), out.size()); r != ZipFailure::kNone) return r;
  *progress += out.size();
  return ZipFailure::kNone;
}

ZipFailure InflateStream(platform::Env* env, zip_file_t* f, const EntryFacts& e, int out_fd,
                         std::atomic<std::uint64_t>* progress, const std::atomic<bool>* cancel) {
  std::vector<std::uint8_t> in(kBuffer), out(kBuffer);
  z_stream z{};
  if (e.deflated && inflateInit2(&z, -15) != Z_OK) return ZipFailure::kOutOfMemory;
  std::unique_ptr<z_stream, int (*)(z_stream*)> guard(e.deflated ? &z : nullptr, inflateEnd);
  std::uint64_t raw_left = e.comp_size, written = 0;
  std::uint32_t crc = 0;
  bool ended = !e.deflated && e.comp_size == 0;
  while (raw_left > 0) {
    if (cancel->load()) return ZipFailure::kCancelled;
    auto n = static_cast<std::size_t>(std::min<std::uint64_t>(raw_left, in.size()));
    if (ZipFailure r = ReadRaw(f, in.data(), n); r != ZipFailure::kNone) return r;
    raw_left -= n;
    if (ended) return ZipFailure::kStructure;  // data past the end of the stream
    const std::uint8_t* chunk = in.data();
    std::size_t chunk_size = n;
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(n);
    do {
      if (e.deflated) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
          ended = true;
          if (z.avail_in != 0 || raw_left != 0) return ZipFailure::kStructure;
        } else if (rc == Z_MEM_ERROR) {
          return ZipFailure::kOutOfMemory;
        } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
          return ZipFailure::kStructure;
        }
        chunk = out.data();
        chunk_size = out.size() - z.avail_out;
        if (rc == Z_BUF_ERROR && chunk_size == 0) break;  // wants more input
      }
      // Checked before writing: a bomb never puts more than it declared on the disk.
      if (written + chunk_size > e.size) return ZipFailure::kSizeExceeded;
      if (ZipFailure r = Write(env, out_fd, written, chunk, chunk_size); r != ZipFailure::kNone) return r;
      crc = Crc32(crc, chunk, chunk_size);
      written += chunk_size;
      *progress += chunk_size;
    } while (e.deflated && !ended && (z.avail_in > 0 || z.avail_out == 0));
    if (!e.deflated && raw_left == 0) ended = true;
  }
  if (!ended || written != e.size) return ZipFailure::kStructure;
  return crc == e.crc ? ZipFailure::kNone : ZipFailure::kCrcMismatch;
}

}  // namespace

ZipFailure InflateEntry(platform::Env* env, zip* archive, const EntryFacts& entry, int out_fd,
                        std::atomic<std::uint64_t>* progress, const std::atomic<bool>* cancel) {
  std::unique_ptr<zip_file_t, ZipFileCloser> f(zip_fopen_index(archive, entry.index, ZIP_FL_COMPRESSED));
  if (!f) return ReadFailure(zip_error_code_zip(zip_get_error(archive)));
  try {
    if (entry.size <= kWholeLimit && entry.comp_size <= kWholeLimit) {
      return InflateWhole(env, f.get(), entry, out_fd, progress);
    }
    return InflateStream(env, f.get(), entry, out_fd, progress, cancel);
  } catch (const std::bad_alloc&) {
    return ZipFailure::kOutOfMemory;
  }
}

}  // namespace pds::archive
