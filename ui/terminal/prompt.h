// The interactive prompt of a session: reads one command line at a time with
// the line editor (line_editor.h), keeps the lines of the session for Up and
// Down, and optionally keeps them across sessions in a history file.
//
// Ctrl-C abandons the line being typed and starts a new one; Ctrl-D on an
// empty line, or the end of the keys, ends the input. Ctrl-L clears the
// screen. A history file that cannot be read or written only costs the
// history: the prompt works without it.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "ui/terminal/keys.h"
#include "ui/terminal/line_editor.h"

namespace pds::terminal {

// ${XDG_STATE_HOME:-$HOME/.local/state}/pds/history; empty when neither
// variable is set.
std::string DefaultHistoryPath();

class Prompt {
 public:
  // width: the terminal's width now; null means 80.
  Prompt(std::ostream& out, KeySource& keys, std::function<int()> width = nullptr);

  // Loads the history from path and appends every accepted line to it from
  // now on (the folders are created when missing). Empty: no file.
  void UseHistoryFile(const std::string& path);

  // Shows prompt and reads one line; false at the end of the input.
  bool ReadLine(const std::string& prompt, std::string* line);

  const History& history() const { return history_; }

 private:
  void Draw(const std::string& prompt);
  void SaveHistory();

  std::ostream& out_;
  KeySource& keys_;
  std::function<int()> width_;
  History history_;
  LineEditor editor_{&history_};
  std::string history_path_;
  // The line as last drawn, and whether the caret was at its end.
  std::string shown_;
  bool shown_at_end_ = false;
};

}  // namespace pds::terminal
