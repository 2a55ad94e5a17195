// The demo's UI host and the bookkeeping of a step's outcome.
#include <string>

#include "apps/pds/demo.h"
#include "pds/Dialog.h"

namespace pds::app {

namespace {

std::string AnswerName(int answer) {
  switch (answer) {
    case vbOK: return "OK";
    case vbCancel: return "Cancel";
    case vbAbort: return "Abort";
    case vbRetry: return "Retry";
    case vbIgnore: return "Ignore";
    case vbYes: return "Yes";
    case vbNo: return "No";
    default: return std::to_string(answer);
  }
}

}  // namespace

void DemoHost::Show(const Shown& shown) {
  switch (shown.kind) {
    case Shown::kMessageBox:
      shown_.push_back({"message box", shown.title, shown.text,
                        AnswerName(shown.answer) + (shown.repeated ? " (asked again and again)" : " (default)")});
      break;
    case Shown::kInputBox:
      shown_.push_back({"input box", shown.title, shown.text,
                        shown.declined ? "Cancel (asked again and again)" : "\"" + shown.answer_text + "\" (default)"});
      break;
    case Shown::kDialog: shown_.push_back({"dialog", shown.title, shown.text, "Cancel"}); break;
    case Shown::kFileDialog: shown_.push_back({"file dialog", shown.title, shown.text, "Cancel"}); break;
    case Shown::kFolderBrowser: shown_.push_back({"folder browser", shown.title, shown.text, "Cancel"}); break;
    case Shown::kHelp: shown_.push_back({"help", shown.text, std::to_string(shown.help_context), "shown"}); break;
  }
}

std::vector<ShownMessage> DemoHost::TakeShown() {
  std::vector<ShownMessage> taken;
  taken.swap(shown_);
  return taken;
}

bool StepResult::Expect(bool condition, const std::string& failure) {
  if (!condition && reason_.empty()) reason_ = failure;
  return condition;
}

}  // namespace pds::app
