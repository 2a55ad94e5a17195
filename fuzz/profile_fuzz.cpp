// The profile-file reader: any text parses, every section it lists can be
// read, and writing the parsed text out and reading it again gives the same
// text (a save never changes lines it did not edit).
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "files/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  pds::platform::ProfileText profile(text);
  const std::string written = profile.ToString();
  if (pds::platform::ProfileText(written).ToString() != written) pds::fuzz::Broken("profile round trip", text);
  for (const std::string& section : profile.SectionNames()) {
    auto entries = profile.Entries(section);
    if (!entries) pds::fuzz::Broken("listed section unreadable", section);
    for (const std::string& entry : *entries) {
      std::string key = entry.substr(0, entry.find('='));
      (void)profile.Value(section, key);
    }
  }
  // An edit of the first section keeps the file readable and the value set.
  auto names = profile.SectionNames();
  if (!names.empty() && !names.front().empty()) {
    profile.SetValue(names.front(), "Fuzz Key", "value");
    if (pds::platform::ProfileText(profile.ToString()).Value(names.front(), "Fuzz Key") != "value")
      pds::fuzz::Broken("written key lost", text);
  }
  return 0;
}
