#include "archive/zip_output.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>

#include "platform/env.h"

namespace pds::archive {

struct ZipOutput::Error {
  zip_error_t error;
};

namespace {

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

zip_int64_t OutputCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  return static_cast<ZipOutput*>(userdata)->Command(data, len, cmd);
}

}  // namespace

ZipOutput::ZipOutput(platform::Env* env, const std::string& path) : env_(env), path_(path), error_(new Error) {
  zip_error_init(&error_->error);
}

ZipOutput::~ZipOutput() {
  Drop();
  zip_error_fini(&error_->error);
  delete error_;
}

void ZipOutput::Drop() {
  if (fd_ >= 0) env_->CloseFile(fd_);
  fd_ = -1;
}

void ZipOutput::Fail(int system_code) {
  if (failure_ == ZipFailure::kNone) failure_ = OutputFailure(system_code);
  if (failure_ == ZipFailure::kNone) failure_ = ZipFailure::kCreateOutput;
  zip_error_set(&error_->error, ZIP_ER_WRITE, EIO);
}

zip* ZipOutput::OpenArchive(zip_error* error) {
  platform::FileAttributes attrs;
  // An existing folder (or read-only file) of that name could never be
  // replaced; say so before any work is done.
  if (env_->GetAttributes(path_, &attrs).ok() && (attrs.directory || attrs.read_only)) {
    failure_ = ZipFailure::kCreateOutput;
    return nullptr;
  }
  if (!env_->GetAttributes(FolderOf(path_), &attrs).ok() || !attrs.directory) {
    failure_ = ZipFailure::kOpenOutput;
    return nullptr;
  }
  zip_source_t* src = zip_source_function_create(OutputCallback, this, error);
  if (!src) return nullptr;
  zip_t* za = zip_open_from_source(src, ZIP_CREATE | ZIP_TRUNCATE, error);
  if (!za) zip_source_free(src);
  return za;
}

ZipResult ZipOutput::Result(ZipFailure fallback) const {
  return {failure_ != ZipFailure::kNone ? failure_ : fallback, path_};
}

std::int64_t ZipOutput::Command(void* data, std::uint64_t len, int cmd) {
  switch (static_cast<zip_source_cmd_t>(cmd)) {
    case ZIP_SOURCE_STAT:
      // The archive is always built anew: to libzip there is nothing there yet.
      zip_error_set(&error_->error, ZIP_ER_READ, ENOENT);
      return -1;
    case ZIP_SOURCE_OPEN:
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_READ:
      return 0;
    case ZIP_SOURCE_SEEK:
    case ZIP_SOURCE_TELL:
      return 0;
    case ZIP_SOURCE_BEGIN_WRITE: {
      Drop();
      platform::Status s = env_->CreateUnnamedFile(FolderOf(path_), &fd_);
      if (!s.ok()) {
        Fail(s.code);
        return -1;
      }
      position_ = length_ = 0;
      return 0;
    }
    case ZIP_SOURCE_WRITE: {
      platform::Status s = env_->WriteAt(fd_, position_, data, len);
      if (!s.ok()) {
        Fail(s.code);
        return -1;
      }
      position_ += len;
      length_ = std::max(length_, position_);
      return static_cast<zip_int64_t>(len);
    }
    case ZIP_SOURCE_SEEK_WRITE: {
      zip_int64_t at = zip_source_seek_compute_offset(position_, length_, data, len, &error_->error);
      if (at < 0) return -1;
      position_ = static_cast<std::uint64_t>(at);
      return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
      return static_cast<zip_int64_t>(position_);
    case ZIP_SOURCE_COMMIT_WRITE: {
      platform::Status s = env_->PublishFile(fd_, path_, true);
      if (!s.ok()) {
        Fail(s.code);
        return -1;
      }
      Drop();
      return 0;
    }
    case ZIP_SOURCE_ROLLBACK_WRITE:
      Drop();
      return 0;
    case ZIP_SOURCE_REMOVE:
      // An archive with no entries is never written; there is nothing to remove.
      return 0;
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&error_->error, data, len);
    case ZIP_SOURCE_FREE:
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(
          ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
          ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE,
          ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_REMOVE,
          ZIP_SOURCE_SUPPORTS, -1);
    default:
      zip_error_set(&error_->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

}  // namespace pds::archive
