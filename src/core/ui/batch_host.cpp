#include "core/ui/batch_host.h"

#include <string>

namespace pds {

namespace {
// Messages are composed with CR and LF pieces for a message box; on a
// terminal stream each CR LF+ run reads better as plain newlines.
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
  return out;
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
  std::fprintf(out_, "[%s] %s\n", title.c_str(), ForStream(prompt).c_str());
  std::fflush(out_);
  // A Retry question comes after a wait of its own (a database held by
  // another program), so a batch run gives up on it sooner.
  long limit = (style & 0x7) == vbRetryCancel ? 3 : 10;
  if (AskedTooOften("msgbox\n" + title + "\n" + prompt, limit)) return MsgBoxEscapeAnswer(style);
  return MsgBoxDefaultAnswer(style);
}

bool BatchHost::InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                         std::string* answer) {
  if (AskedTooOften("input\n" + title + "\n" + prompt, 10)) {
    std::fprintf(out_, "[%s] %s (cancelled: asked again and again)\n", title.c_str(), ForStream(prompt).c_str());
    std::fflush(out_);
    answer->clear();
    return false;
  }
  std::fprintf(out_, "[%s] %s (answered: %s)\n", title.c_str(), ForStream(prompt).c_str(), default_text.c_str());
  std::fflush(out_);
  *answer = default_text;
  return true;
}

bool BatchHost::FileDialog(const FileDialogRequest& request, std::string* chosen) {
  std::fprintf(out_, "[%s] file dialog cancelled (no user to ask)\n", request.title.c_str());
  chosen->clear();
  return false;
}

bool BatchHost::BrowseForFolder(const std::string& title, const std::string&, std::string* chosen) {
  std::fprintf(out_, "[%s] folder browser cancelled (no user to ask)\n", title.c_str());
  chosen->clear();
  return false;
}

bool BatchHost::ShowHelp(const std::string& help_file, int command, long context) {
  std::fprintf(out_, "[Help] %s %s %ld\n", help_file.c_str(), command == 1 ? "context" : "contents", context);
  return true;
}

}  // namespace pds
