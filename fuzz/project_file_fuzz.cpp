// The project-file readers: a PROJECT.QVP anyone may have edited is read key
// by key and application by application without fault, and the notes
// encoding gives back exactly what it was given.
#include <string>

#include "fuzz/fuzz_support.h"
#include "projects/project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = pds::fuzz::WriteScratchFile("PROJECT.QVP", data, size);
  pds::AppList apps;
  (void)pds::ReadProjectFileApps(apps, file);
  // Each read parses the whole file again, so a few keys and the first
  // applications' file sections reach every path; more only slow the run.
  static const char* const kKeys[][2] = {
      {"Project", "Project Name"}, {"Properties", "Project Notes"}, {"Properties", "Last Modified"}};
  for (const auto& key : kKeys) {
    std::string value;
    if (pds::ReadPPS(key[0], key[1], value, file)) (void)pds::DecodeNotesValue(value);
  }
  int sections = 0;
  for (const auto& app : apps) {
    if (++sections > 3) break;
    std::string value;
    (void)pds::ReadPPS(pds::FileSectionName(app.first, 1), "File", value, file);
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (pds::DecodeNotesValue(pds::EncodeNotesValue(text)) != text) pds::fuzz::Broken("notes round trip", text);
  (void)pds::FlagFromText(text);
  return 0;
}
