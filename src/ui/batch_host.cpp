#include "pds/BatchHost.h"

#include <string>

#include "pds/VisibleText.h"

namespace pds {

namespace {
// Messages are composed with CR and LF pieces for a message box; on a
// terminal stream each CR LF+ run reads better as plain newlines. Any other
// control character, from a name or path the message quotes, is shown
// escaped so that it cannot act on the terminal.
std::string ForStream(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 >= text.size() || text[i + 1] != '\n') out.push_back('\n');
      continue;
    }
    out.push_back(text[i]);
  }
  return VisibleText(out, true);
}
}  // namespace

bool BatchHost::AskedTooOften(const std::string& key, long limit) {
  constexpr std::size_t kWindow = 32;
  recent_.push_back(key);
  if (recent_.size() > kWindow) recent_.pop_front();
  long seen = 0;
  for (const std::string& k : recent_) seen += (k == key) ? 1 : 0;
  return seen >= limit;
}

int BatchHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
  // A Retry question comes after a wait of its own (a database held by
  // another program), so a batch run gives up on it sooner.
  long limit = (style & 0x7) == vbRetryCancel ? 3 : 10;
  Shown shown = Shown::Of(Shown::kMessageBox, title, prompt);
  shown.repeated = AskedTooOften("msgbox\n" + title + "\n" + prompt, limit);
  shown.answer = shown.repeated ? MsgBoxEscapeAnswer(style) : MsgBoxDefaultAnswer(style);
  Show(shown);
  return shown.answer;
}

bool BatchHost::InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                         std::string* answer) {
  Shown shown = Shown::Of(Shown::kInputBox, title, prompt);
  shown.repeated = AskedTooOften("input\n" + title + "\n" + prompt, 10);
  shown.declined = shown.repeated;
  if (!shown.declined) shown.answer_text = default_text;
  Show(shown);
  *answer = shown.answer_text;
  return !shown.declined;
}

bool BatchHost::FileDialog(const FileDialogRequest& request, std::string* chosen) {
  Shown shown = Shown::Of(Shown::kFileDialog, request.title, request.initial_folder);
  shown.declined = true;
  Show(shown);
  chosen->clear();
  return false;
}

bool BatchHost::BrowseForFolder(const std::string& title, const std::string& initial_folder, std::string* chosen) {
  Shown shown = Shown::Of(Shown::kFolderBrowser, title, initial_folder);
  shown.declined = true;
  Show(shown);
  chosen->clear();
  return false;
}

bool BatchHost::ShowHelp(const std::string& help_file, int command, long context) {
  Shown shown = Shown::Of(Shown::kHelp, "Help", help_file);
  shown.help_by_context = command == 1;
  shown.help_context = context;
  Show(shown);
  return true;
}

void BatchHost::Show(const Shown& shown) {
  const std::string visible_title = ForStream(shown.title);
  const char* title = visible_title.c_str();
  switch (shown.kind) {
    case Shown::kMessageBox:
      std::fprintf(out_, "[%s] %s\n", title, ForStream(shown.text).c_str());
      break;
    case Shown::kInputBox:
      if (shown.declined) {
        std::fprintf(out_, "[%s] %s (cancelled: asked again and again)\n", title, ForStream(shown.text).c_str());
      } else {
        std::fprintf(out_, "[%s] %s (answered: %s)\n", title, ForStream(shown.text).c_str(),
                     ForStream(shown.answer_text).c_str());
      }
      break;
    case Shown::kDialog:
      std::fprintf(out_, "[%s] dialog %s cancelled (no user to ask)\n", title, ForStream(shown.text).c_str());
      break;
    case Shown::kFileDialog:
      std::fprintf(out_, "[%s] file dialog cancelled (no user to ask)\n", title);
      break;
    case Shown::kFolderBrowser:
      std::fprintf(out_, "[%s] folder browser cancelled (no user to ask)\n", title);
      break;
    case Shown::kHelp:
      std::fprintf(out_, "[Help] %s %s %ld\n", ForStream(shown.text).c_str(), shown.help_by_context ? "context" : "contents",
                   shown.help_context);
      break;
  }
  std::fflush(out_);
}

}  // namespace pds
