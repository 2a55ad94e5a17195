#include "ui/terminal/prompt.h"

#include "pds/Controls.h"
#include "pds/HostEnv.h"
#include "ui/terminal/styled_text.h"

namespace pds::terminal {

std::string DefaultHistoryPath() {
  std::optional<std::string> state = host::GetEnvVar("XDG_STATE_HOME");
  if (state && !state->empty() && state->front() == '/') return *state + "/pds/history";
  std::optional<std::string> home = host::GetEnvVar("HOME");
  if (home && !home->empty()) return *home + "/.local/state/pds/history";
  return {};
}

Prompt::Prompt(std::ostream& out, KeySource& keys, std::function<int()> width)
    : out_(out), keys_(keys), width_(std::move(width)) {}

void Prompt::UseHistoryFile(const std::string& path) {
  history_path_ = path;
  if (path.empty()) return;
  std::string text;
  if (host::ReadFile(path, &text)) history_.FromText(text);
}

void Prompt::SaveHistory() {
  if (history_path_.empty()) return;
  const std::size_t slash = history_path_.rfind('/');
  if (slash != std::string::npos && slash > 0) (void)host::CreateFolders(history_path_.substr(0, slash));
  // Written whole and replaced at once: another session writing at the same
  // time loses its lines, never the file.
  (void)host::WriteFileAtomic(history_path_, history_.ToText());
}

void Prompt::Draw(const std::string& prompt) {
  const int width = width_ ? width_() : 80;
  int caret = 0;
  const std::string line = editor_.Render(prompt, width, &caret);
  const bool caret_at_end = caret == CharCount(line);
  if (caret_at_end && shown_at_end_ && line.size() >= shown_.size() && line.compare(0, shown_.size(), shown_) == 0) {
    // Typing at the end only adds characters: they are written as a
    // terminal echoes them, so the session's transcript reads plainly.
    out_ << line.substr(shown_.size());
  } else {
    out_ << "\r" << line << ansi::kClearToEnd << "\r";
    if (caret > 0) out_ << "\x1b[" << caret << "C";
  }
  shown_ = line;
  shown_at_end_ = caret_at_end;
  out_ << std::flush;
}

bool Prompt::ReadLine(const std::string& prompt, std::string* line) {
  ReadingScope reading(keys_);
  editor_.Reset();
  shown_.clear();
  shown_at_end_ = false;
  while (true) {
    Draw(prompt);
    Key key;
    if (!keys_.Next(&key)) {
      if (!keys_.AtEnd()) continue;
      out_ << "\r\n" << std::flush;
      // A line typed without its Enter before the input ended still counts.
      if (editor_.text().empty()) return false;
      *line = editor_.text();
      return true;
    }
    if (key.IsCtrl('L')) {
      out_ << ansi::kClearScreen;
      shown_at_end_ = false;
      continue;
    }
    switch (editor_.Apply(key)) {
      case LineEditor::Action::kAccept:
        *line = editor_.text();
        out_ << "\r\n" << std::flush;
        history_.Add(*line);
        SaveHistory();
        return true;
      case LineEditor::Action::kCancel:
        if (key.Is(KeyCode::kEscape)) break;  // Escape alone leaves the line as it is
        out_ << "^C\r\n";
        editor_.Reset();
        shown_at_end_ = false;
        break;
      case LineEditor::Action::kEndOfInput: out_ << "\r\n" << std::flush; return false;
      default: break;
    }
  }
}

}  // namespace pds::terminal
