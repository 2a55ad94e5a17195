#include "ui/messages.h"

#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "platform/errors.h"

namespace pds {

void ShowError(const std::string& message, int style, const std::string& title) {
  try {
    Ui().SetWaitCursor(false);
  } catch (...) {
  }
  const PendingError& err = Err();
  std::string error_text;
  if (err.number != 0) {
    error_text = err.description;
  } else if (err.last_os_error != 0) {
    error_text = !err.description.empty() ? err.description : GetSystemErrorText(err.last_os_error);
  }
  try {
    std::string text = message;
    if (!text.empty() && !error_text.empty()) {
      text += LineBreaks(2) + error_text;
    } else if (!error_text.empty()) {
      text = error_text;
    }
    std::string caption = title.empty() ? std::string("Error Message") : title;
    if (!text.empty()) {
      Ui().MsgBox(text, style, caption);
      if (!error_text.empty()) NoteReportedError(Err());
      ClearError();
    }
  } catch (...) {
    // The reporter never raises: a failing message box is ignored.
  }
}

namespace {
std::string& DefaultTitleSlot() {
  static std::string title = "Project Data Server";
  return title;
}
}  // namespace

std::string DefaultMsgBoxTitle() { return DefaultTitleSlot(); }
void SetDefaultMsgBoxTitle(const std::string& title) { DefaultTitleSlot() = title; }

std::string GetSystemErrorText(long code) {
  if (code == 0) return {};
  std::string text = platform::SystemErrorMessage(static_cast<int>(code));
  if (text.empty()) return {};
  return "Error " + std::to_string(code) + "  -  " + text;
}

std::string LineBreaks(int n) {
  std::string s = "\r";
  if (n > 0) s.append(static_cast<std::size_t>(n), '\n');
  return s;
}

std::string ContactSupportText() { return std::string("Please contact ") + "Norrick" + " for assistance."; }

std::string InBrackets(const std::string& s) { return "[" + s + "]"; }
std::string InParens(const std::string& s) { return "(" + s + ")"; }

namespace {
std::string Enclose(const std::string& s, char q) {
  std::string t = Trim(s);
  if (t.empty()) return t;
  if (t.front() != q) t.insert(t.begin(), q);
  if (t.size() == 1 || t.back() != q) t.push_back(q);
  return t;
}
}  // namespace

std::string InSingleQuotes(const std::string& s) { return Enclose(s, '\''); }
std::string InDoubleQuotes(const std::string& s) { return Enclose(s, '"'); }


}  // namespace pds
