// A one-line text editor driven by keys: the session prompt, the input box,
// the path prompts of the file and folder dialogs and a list's filter use it.
//
//   Left / Right, Ctrl-B / Ctrl-F   move by one character
//   Home / End, Ctrl-A / Ctrl-E     move to the start / the end
//   Backspace, Delete               delete before / at the caret
//   Ctrl-D                          delete at the caret; on an empty line,
//                                   the end of input
//   Ctrl-K / Ctrl-U                 delete to the end / to the start
//   Ctrl-W                          delete the word before the caret
//   Up / Down, Ctrl-P / Ctrl-N      the previous / next line of the history
//   Enter                           accept;  Escape, Ctrl-C: cancel
//
// The caret counts characters, so multi-byte UTF-8 characters are edited whole.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ui/terminal/keys.h"

namespace pds::terminal {

// The lines entered, oldest first. A line equal to the last one, or blank, is
// not added again. Only the newest kMaxLines are kept.
class History {
 public:
  static constexpr std::size_t kMaxLines = 500;
  void Add(const std::string& line);
  std::size_t size() const { return lines_.size(); }
  const std::string& at(std::size_t i) const { return lines_[i]; }
  // One line per entry, as the history file holds them.
  std::string ToText() const;
  void FromText(const std::string& text);

 private:
  std::vector<std::string> lines_;
};

class LineEditor {
 public:
  enum class Action { kEdited, kAccept, kCancel, kEndOfInput, kIgnored };

  explicit LineEditor(History* history = nullptr) : history_(history) {}

  // Starts a new line holding text, the caret at its end.
  void Reset(std::string text = {});
  Action Apply(const Key& key);

  const std::string& text() const { return text_; }
  int caret() const { return caret_; }

  // The prompt and as much of the text around the caret as fits in width
  // columns (a long line scrolls sideways); caret_column gets the caret's
  // 0-based column in the result.
  std::string Render(const std::string& prompt, int width, int* caret_column) const;

 private:
  void Insert(const std::string& chars);
  // Deletes the characters from..to (character indexes) and puts the caret at from.
  void Erase(int from, int to);
  void Recall(int direction);

  History* history_;
  std::string text_;
  int caret_ = 0;
  // Where Up/Down are in the history: history_->size() is the line being typed.
  std::size_t recall_ = 0;
  std::string draft_;
};

}  // namespace pds::terminal
