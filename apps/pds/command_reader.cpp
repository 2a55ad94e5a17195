#include "apps/pds/command_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pds::app {

namespace {

// Opens a file to read, refusing a folder: reading a folder fails at once,
// which a stream would take for an empty file.
int OpenForReading(const std::string& path, std::string* error) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    *error = path + " is a folder, not a file";
    return -1;
  }
  return fd;
}

// Reads up to size bytes; 0 at the end, -1 on an error (errno set).
ssize_t ReadSome(int fd, char* buf, std::size_t size) {
  ssize_t n;
  do {
    n = read(fd, buf, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace

CommandReader::~CommandReader() {
  if (owned_) close(fd_);
}

bool CommandReader::Open(const std::string& path, std::string* error) {
  const int fd = OpenForReading(path, error);
  if (fd < 0) return false;
  if (owned_) close(fd_);
  fd_ = fd;
  owned_ = true;
  return true;
}

CommandReader::Result CommandReader::Next(std::string* line, std::string* error) {
  while (true) {
    const std::size_t end = buffer_.find('\n');
    if (end != std::string::npos && end < kMaxCommandLine) {
      line->assign(buffer_, 0, end);
      buffer_.erase(0, end + 1);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      ++line_number_;
      return Result::kLine;
    }
    if (buffer_.size() >= kMaxCommandLine) {
      ++line_number_;
      return Result::kTooLong;
    }
    if (at_end_) {
      if (buffer_.empty()) return Result::kEnd;
      // A last line without its line end.
      line->swap(buffer_);
      buffer_.clear();
      if (!line->empty() && line->back() == '\r') line->pop_back();
      ++line_number_;
      return Result::kLine;
    }
    char chunk[8192];
    const ssize_t n = ReadSome(fd_, chunk, sizeof chunk);
    if (n < 0) {
      *error = std::strerror(errno);
      return Result::kReadError;
    }
    if (n == 0) at_end_ = true;
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
}

bool ReadTextFile(const std::string& path, std::size_t max_bytes, std::string* text, std::string* error) {
  const int fd = OpenForReading(path, error);
  if (fd < 0) return false;
  std::string content;
  char chunk[8192];
  bool ok = true;
  while (true) {
    const ssize_t n = ReadSome(fd, chunk, sizeof chunk);
    if (n < 0) {
      *error = "cannot read " + path + ": " + std::strerror(errno);
      ok = false;
      break;
    }
    if (n == 0) break;
    if (content.size() + static_cast<std::size_t>(n) > max_bytes) {
      *error = path + " is larger than " + std::to_string(max_bytes / 1024) + " KiB";
      ok = false;
      break;
    }
    content.append(chunk, static_cast<std::size_t>(n));
  }
  close(fd);
  if (ok) *text = std::move(content);
  return ok;
}

}  // namespace pds::app
