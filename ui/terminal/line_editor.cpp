#include "ui/terminal/line_editor.h"

#include "pds/Controls.h"

namespace pds::terminal {

void History::Add(const std::string& line) {
  if (line.find_first_not_of(' ') == std::string::npos) return;
  if (!lines_.empty() && lines_.back() == line) return;
  lines_.push_back(line);
  if (lines_.size() > kMaxLines) lines_.erase(lines_.begin(), lines_.end() - kMaxLines);
}

std::string History::ToText() const {
  std::string out;
  for (const std::string& line : lines_) out += line + "\n";
  return out;
}

void History::FromText(const std::string& text) {
  lines_.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Add(line);
    start = end + 1;
  }
}

void LineEditor::Reset(std::string text) {
  text_ = std::move(text);
  caret_ = CharCount(text_);
  recall_ = history_ ? history_->size() : 0;
  draft_.clear();
}

void LineEditor::Insert(const std::string& chars) {
  const std::size_t at = CharPrefix(text_, caret_).size();
  text_.insert(at, chars);
  caret_ += CharCount(chars);
}

void LineEditor::Erase(int from, int to) {
  if (from < 0) from = 0;
  const int count = CharCount(text_);
  if (to > count) to = count;
  if (from >= to) return;
  const std::size_t begin = CharPrefix(text_, from).size();
  const std::size_t end = CharPrefix(text_, to).size();
  text_.erase(begin, end - begin);
  caret_ = from;
}

void LineEditor::Recall(int direction) {
  if (!history_) return;
  const std::size_t newest = history_->size();
  if (direction < 0 && recall_ == 0) return;
  if (direction > 0 && recall_ >= newest) return;
  // The line being typed is kept while the user browses, and comes back below the newest entry.
  if (recall_ == newest) draft_ = text_;
  recall_ = direction < 0 ? recall_ - 1 : recall_ + 1;
  text_ = recall_ == newest ? draft_ : history_->at(recall_);
  caret_ = CharCount(text_);
}

LineEditor::Action LineEditor::Apply(const Key& key) {
  const int count = CharCount(text_);
  switch (key.code) {
    case KeyCode::kChar: Insert(key.text); return Action::kEdited;
    case KeyCode::kEnter: return Action::kAccept;
    case KeyCode::kEscape: return Action::kCancel;
    case KeyCode::kLeft: caret_ = caret_ > 0 ? caret_ - 1 : 0; return Action::kEdited;
    case KeyCode::kRight: caret_ = caret_ < count ? caret_ + 1 : count; return Action::kEdited;
    case KeyCode::kHome: caret_ = 0; return Action::kEdited;
    case KeyCode::kEnd: caret_ = count; return Action::kEdited;
    case KeyCode::kBackspace: Erase(caret_ - 1, caret_); return Action::kEdited;
    case KeyCode::kDelete: Erase(caret_, caret_ + 1); return Action::kEdited;
    case KeyCode::kUp: Recall(-1); return Action::kEdited;
    case KeyCode::kDown: Recall(+1); return Action::kEdited;
    case KeyCode::kCtrl: break;
    default: return Action::kIgnored;
  }
  switch (key.ctrl) {
    case 'A': caret_ = 0; return Action::kEdited;
    case 'E': caret_ = count; return Action::kEdited;
    case 'B': return Apply(Key::Of(KeyCode::kLeft));
    case 'F': return Apply(Key::Of(KeyCode::kRight));
    case 'P': return Apply(Key::Of(KeyCode::kUp));
    case 'N': return Apply(Key::Of(KeyCode::kDown));
    case 'K': Erase(caret_, count); return Action::kEdited;
    case 'U': Erase(0, caret_); return Action::kEdited;
    case 'C': return Action::kCancel;
    case 'D':
      if (text_.empty()) return Action::kEndOfInput;
      Erase(caret_, caret_ + 1);
      return Action::kEdited;
    case 'W': {
      int from = caret_;
      const std::string before = CharPrefix(text_, caret_);
      // Blanks before the word go with it, as in a shell.
      while (from > 0 && before[CharPrefix(before, from - 1).size()] == ' ') --from;
      while (from > 0 && before[CharPrefix(before, from - 1).size()] != ' ') --from;
      Erase(from, caret_);
      return Action::kEdited;
    }
    default: return Action::kIgnored;
  }
}

std::string LineEditor::Render(const std::string& prompt, int width, int* caret_column) const {
  const int prompt_width = CharCount(prompt);
  const int room = width - prompt_width - 1;  // the last column stays free for the caret
  int first = 0;
  if (room > 0 && caret_ >= room) first = caret_ - room + 1;
  const std::string from_first = text_.substr(CharPrefix(text_, first).size());
  const std::string shown = room > 0 ? CharPrefix(from_first, room) : std::string();
  if (caret_column) *caret_column = prompt_width + caret_ - first;
  return prompt + shown;
}

}  // namespace pds::terminal
