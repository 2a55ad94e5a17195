// The archive reader of retrieval: any file given as an archive is described
// or refused, and extraction writes only bare names inside its folder, or
// nothing at all when it refuses.
#include <dirent.h>
#include <sys/stat.h>

#include <string>

#include "archive/zip_reader.h"
#include "fuzz/fuzz_support.h"
#include "pds/ArchiveInfo.h"

namespace {

int CountEntries(const std::string& folder) {
  int count = 0;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* e = readdir(dir)) count += e->d_name[0] != '.' || (e->d_name[1] && e->d_name[1] != '.');
    closedir(dir);
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string archive = pds::fuzz::WriteScratchFile("input.zip", data, size);
  const std::string out = pds::fuzz::ScratchFolder() + "/out";
  mkdir(out.c_str(), 0700);
  pds::ArchiveInfo info;
  std::string error;
  (void)pds::ReadArchiveInfo(archive, &info, &error);
  pds::archive::ZipExtractOptions options;
  options.threads = 1;
  auto result = pds::archive::ExtractZipEntries(archive, out, "*.*", options);
  if (!result.ok() && CountEntries(out) != 0) pds::fuzz::Broken("refused extraction left files", result.detail);
  pds::fuzz::EmptyFolder(out);
  options.extract_as = "~QX0001.TMP";
  (void)pds::archive::ExtractZipEntries(archive, out, "PROJECT.QVP", options);
  pds::fuzz::EmptyFolder(out);
  return 0;
}
