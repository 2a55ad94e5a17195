#include "archive/zip_read_source.h"

#include <zip.h>

#include "platform/env.h"

namespace pds::archive {

namespace {

struct ReadSource {
  platform::Env* env;
  int fd;
  std::uint64_t size;
  std::uint64_t position = 0;
  zip_error_t error;
};

zip_int64_t ReadCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* s = static_cast<ReadSource*>(userdata);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      s->position = 0;
      return 0;
    case ZIP_SOURCE_READ: {
      std::size_t got = 0;
      if (!s->env->ReadAt(s->fd, s->position, data, len, &got).ok()) {
        zip_error_set(&s->error, ZIP_ER_READ, 0);
        return -1;
      }
      s->position += got;
      return static_cast<zip_int64_t>(got);
    }
    case ZIP_SOURCE_CLOSE:
      return 0;
    case ZIP_SOURCE_STAT: {
      auto* st = static_cast<zip_stat_t*>(data);
      zip_stat_init(st);
      st->valid = ZIP_STAT_SIZE;
      st->size = s->size;
      return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_SEEK: {
      zip_int64_t at = zip_source_seek_compute_offset(s->position, s->size, data, len, &s->error);
      if (at < 0) return -1;
      s->position = static_cast<std::uint64_t>(at);
      return 0;
    }
    case ZIP_SOURCE_TELL:
      return static_cast<zip_int64_t>(s->position);
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
      zip_error_fini(&s->error);
      delete s;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                                            ZIP_SOURCE_SUPPORTS, -1);
    default:
      zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

}  // namespace

ZipFailure ReadFailure(int libzip_code) {
  switch (libzip_code) {
    case ZIP_ER_OK: return ZipFailure::kNone;
    case ZIP_ER_EOF:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK: return ZipFailure::kTruncated;
    case ZIP_ER_MEMORY: return ZipFailure::kOutOfMemory;
    case ZIP_ER_CRC: return ZipFailure::kCrcMismatch;
    case ZIP_ER_COMPNOTSUPP: return ZipFailure::kUnknownMethod;
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD: return ZipFailure::kEncrypted;
    case ZIP_ER_EXISTS: return ZipFailure::kUnsafeEntry;  // two entries of one name
    default: return ZipFailure::kStructure;
  }
}

zip* OpenArchiveOnDescriptor(platform::Env* env, int fd, std::uint64_t size, ZipFailure* failure) {
  zip_error_t error;
  zip_error_init(&error);
  auto* s = new ReadSource{env, fd, size, 0, {}};
  zip_error_init(&s->error);
  zip_source_t* src = zip_source_function_create(ReadCallback, s, &error);
  if (!src) {
    zip_error_fini(&s->error);
    delete s;
    *failure = ZipFailure::kOutOfMemory;
    zip_error_fini(&error);
    return nullptr;
  }
  zip_t* za = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!za) {
    zip_source_free(src);
    *failure = ReadFailure(zip_error_code_zip(&error));
    // No end record, but it starts like an archive: one that was cut short.
    unsigned char head[4] = {};
    std::size_t got = 0;
    if (zip_error_code_zip(&error) == ZIP_ER_NOZIP && env->ReadAt(fd, 0, head, 4, &got).ok() && got == 4 &&
        head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4) {
      *failure = ZipFailure::kTruncated;
    }
  }
  zip_error_fini(&error);
  return za;
}

}  // namespace pds::archive
