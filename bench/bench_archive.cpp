// A command-line driver of the zip engine for bench/archive_io.sh, so the
// script can time it beside zip and unzip and read its peak memory:
//   bench_archive archive ZIP FILE...        entries named after the files
//   bench_archive extract ZIP FOLDER PATTERN
// Exit code 0 on success, else the zip result code.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/zip_reader.h"
#include "archive/zip_writer.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  pds::archive::ZipResult r;
  if (args.size() >= 3 && args[0] == "archive") {
    std::vector<pds::archive::ArchiveItem> items;
    for (std::size_t i = 2; i < args.size(); ++i) {
      items.push_back({args[i].substr(args[i].find_last_of('/') + 1), args[i]});
    }
    r = pds::archive::WriteZipArchive(args[1], items);
  } else if (args.size() == 4 && args[0] == "extract") {
    r = pds::archive::ExtractZipEntries(args[1], args[2], args[3]);
  } else {
    std::fprintf(stderr, "usage: bench_archive archive ZIP FILE... | extract ZIP FOLDER PATTERN\n");
    return 2;
  }
  if (!r.ok()) {
    std::fprintf(stderr, "%s (%s)\n", pds::archive::ZipErrorText(r.code()).c_str(), r.detail.c_str());
    return r.code();
  }
  return 0;
}
