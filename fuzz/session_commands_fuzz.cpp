// The session's command-line reader: lines come out of any byte stream within
// their bound, and each splits into words or is refused with a reason.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "apps/pds/command_reader.h"
#include "apps/pds/session.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int fd = memfd_create("commands", MFD_CLOEXEC);
  if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size) || lseek(fd, 0, SEEK_SET) != 0)
    pds::fuzz::Broken("memfd", "");
  {
    pds::app::CommandReader reader(fd);
    std::string line;
    std::string error;
    for (;;) {
      auto result = reader.Next(&line, &error);
      if (result != pds::app::CommandReader::Result::kLine) break;
      if (line.size() >= pds::app::kMaxCommandLine) pds::fuzz::Broken("line past its bound", "");
      std::string problem;
      auto words = pds::app::SplitWords(line, &problem);
      if (words.empty() && !problem.empty() && problem != "unterminated quotation mark")
        pds::fuzz::Broken("unknown refusal", problem);
    }
  }
  close(fd);
  return 0;
}
