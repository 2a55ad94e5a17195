// The answer-script reader: any text is read or refused with a line number,
// and a script that reads, written out again, reads back to the same text.
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "ui/scripted/answer_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<pds::ui::ScriptStep> steps;
  std::string error;
  if (!pds::ui::ParseAnswerScript(text, &steps, &error)) {
    if (error.rfind("line ", 0) != 0) pds::fuzz::Broken("refusal without a line", error);
    return 0;
  }
  const std::string written = pds::ui::FormatAnswerScript(steps);
  std::vector<pds::ui::ScriptStep> again;
  if (!pds::ui::ParseAnswerScript(written, &again, &error)) pds::fuzz::Broken("written script refused", written);
  if (pds::ui::FormatAnswerScript(again) != written) pds::fuzz::Broken("script round trip", written);
  return 0;
}
