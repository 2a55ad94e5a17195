// The export set reader (JSON): any text is read or refused with a message,
// and a refused document leaves the export set empty.
#include <string>

#include "apps/pds/export_json.h"
#include "fuzz/fuzz_support.h"
#include "pds/clsExportTags.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  pds::clsExportTags tags;
  std::string error;
  if (!pds::app::ReadExportSet(text, "PMP10", tags, &error)) {
    if (error.empty()) pds::fuzz::Broken("refusal without a message", text);
    if (tags.Count() != 0) pds::fuzz::Broken("refused set not empty", text);
  }
  return 0;
}
