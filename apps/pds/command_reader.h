// Reading what `pds session` is given: the lines of commands from standard
// input or a script file, and the whole of an answer file. Both are bounded,
// so that a file without line ends (/dev/zero, a binary file) is refused
// instead of being read into memory without end, and a folder given as a
// file is refused instead of reading as empty.
#pragma once

#include <cstddef>
#include <string>

namespace pds::app {

// The longest command line the session takes, in bytes. Names and paths are
// far shorter; the bound is there for files that are not commands at all.
inline constexpr std::size_t kMaxCommandLine = 64 * 1024;
// The largest answer file the session reads.
inline constexpr std::size_t kMaxAnswerFile = 4 * 1024 * 1024;

class CommandReader {
 public:
  enum class Result { kLine, kEnd, kTooLong, kReadError };

  // Reads from fd, which the reader does not own and never closes.
  explicit CommandReader(int fd) : fd_(fd) {}
  ~CommandReader();
  CommandReader(const CommandReader&) = delete;
  CommandReader& operator=(const CommandReader&) = delete;

  // Opens path for reading; false with a message for the user in *error when
  // it cannot be read or is a folder.
  bool Open(const std::string& path, std::string* error);

  // The next line, without its line end (LF or CR LF). kTooLong when a line
  // reaches kMaxCommandLine bytes without ending; kReadError with the
  // system's text in *error.
  Result Next(std::string* line, std::string* error);
  // The number of the line Next returned last, from 1.
  long line_number() const { return line_number_; }

 private:
  int fd_;
  bool owned_ = false;
  bool at_end_ = false;
  std::string buffer_;
  long line_number_ = 0;
};

// Reads a whole text file of at most max_bytes; false with a message for the
// user in *error when it cannot be read, is a folder or is larger.
bool ReadTextFile(const std::string& path, std::size_t max_bytes, std::string* text, std::string* error);

}  // namespace pds::app
