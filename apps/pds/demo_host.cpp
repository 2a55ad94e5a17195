// The demo's UI host and the bookkeeping of a step's outcome.
#include <string>

#include "apps/pds/demo.h"
#include "pds/Dialog.h"

namespace pds::app {

namespace {

constexpr long kRepeatLimit = 10;
constexpr std::size_t kRecentWindow = 32;

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

bool DemoHost::AskedTooOften(const std::string& key) {
  recent_.push_back(key);
  if (recent_.size() > kRecentWindow) recent_.pop_front();
  long seen = 0;
  for (const std::string& k : recent_) seen += (k == key) ? 1 : 0;
  return seen >= kRepeatLimit;
}

int DemoHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
  int answer = MsgBoxDefaultAnswer(style);
  std::string how = " (default)";
  if (AskedTooOften("msgbox\n" + title + "\n" + prompt)) {
    answer = MsgBoxEscapeAnswer(style);
    how = " (asked again and again)";
  }
  shown_.push_back({"message box", title, prompt, AnswerName(answer) + how});
  return answer;
}

bool DemoHost::InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                        std::string* answer) {
  if (AskedTooOften("input\n" + title + "\n" + prompt)) {
    shown_.push_back({"input box", title, prompt, "Cancel (asked again and again)"});
    answer->clear();
    return false;
  }
  shown_.push_back({"input box", title, prompt, "\"" + default_text + "\" (default)"});
  *answer = default_text;
  return true;
}

// Nobody is there to fill a dialog in, so it is left the way a user who
// declines leaves it: by its Cancel button, else by the close box.
void DemoHost::RunModal(Dialog& dialog) {
  shown_.push_back({"dialog", dialog.Caption(), dialog.FormName(), "Cancel"});
  dialog.Activate();
  if (dialog.visible() && dialog.CancelButton()) dialog.PressEscape();
  if (dialog.visible()) dialog.CloseByUser();
  if (dialog.visible()) dialog.Hide();
  (void)dialog.TakeRefusals();
}

bool DemoHost::FileDialog(const FileDialogRequest& request, std::string* chosen) {
  shown_.push_back({"file dialog", request.title, request.initial_folder, "Cancel"});
  chosen->clear();
  return false;
}

bool DemoHost::BrowseForFolder(const std::string& title, const std::string& initial_folder, std::string* chosen) {
  shown_.push_back({"folder browser", title, initial_folder, "Cancel"});
  chosen->clear();
  return false;
}

bool DemoHost::ShowHelp(const std::string& help_file, int, long context) {
  shown_.push_back({"help", help_file, std::to_string(context), "shown"});
  return true;
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
