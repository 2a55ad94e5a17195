// The terminal host: shows every message box, input box and dialog model of
// the component as text on a terminal and reads the user's keys.
//
// Message boxes and input boxes asked outside any dialog are written into the
// running text of the session, with only their last line (the buttons, or the
// line being edited) redrawn as keys arrive. A modal dialog takes the whole
// screen (the terminal's alternate screen, left again when the last dialog
// closes); boxes and dialogs it opens are drawn over it, and when they close
// the dialog below is drawn again. Dialogs are driven only through their
// models' public actions (form_view.h), so the host holds no dialog logic.
//
//   message box   the buttons' letters ("[Y]es [N]o [C]ancel") answer; Left,
//                 Right and Tab move the highlight, Enter takes the
//                 highlighted button (at first the default one), Escape
//                 gives the box's escape answer (MsgBoxEscapeAnswer)
//   input box     a line editor holding the default text; Enter accepts,
//                 Escape cancels
//   file, folder  a path prompt starting at the initial folder
//   help          the help file and the topic, until a key is pressed
//   progress      one line with a bar, the percentage and the current item,
//                 only when options.draw_progress says the output is a
//                 terminal
//
// The host writes only to the stream and reads only from the key source it
// is given, so it runs the same on a terminal (tty.h) and in a test. Once the
// keys have ended nobody can answer: from then on it answers as the batch
// host does (default buttons, dialogs closed by Cancel), logging to
// options.fallback_log. Nothing here throws.
#pragma once

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "pds/BatchHost.h"
#include "pds/UiHost.h"
#include "ui/terminal/keys.h"

namespace pds::terminal {

struct TerminalOptions {
  // The screen size in cells; null means 80 x 24.
  std::function<void(int* width, int* height)> size;
  // Draw progress windows (only when the output is a terminal).
  bool draw_progress = false;
  // Told when the host enters or leaves the alternate screen.
  std::function<void(bool on)> alt_screen_changed;
  // Where answers given after the end of the keys are logged.
  std::FILE* fallback_log = stderr;
};

// The one-line form of a progress window: its caption, a bar with the
// percentage of its progress bar, and the caption of its last visible label
// (the item being worked on), cut to width.
std::string ProgressLine(const Dialog& dialog, int width);

class TerminalHost : public UiHost {
 public:
  TerminalHost(std::ostream& out, KeySource& keys, TerminalOptions options = {});
  ~TerminalHost() override;
  TerminalHost(const TerminalHost&) = delete;
  TerminalHost& operator=(const TerminalHost&) = delete;

  int MsgBox(const std::string& prompt, int style, const std::string& title) override;
  bool InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                std::string* answer) override;
  void RunModal(Dialog& dialog) override;
  void ShowModeless(Dialog& dialog) override;
  void Refresh(Dialog& dialog) override;
  void CloseModeless(Dialog& dialog) override;
  bool FileDialog(const FileDialogRequest& request, std::string* chosen) override;
  bool BrowseForFolder(const std::string& title, const std::string& initial_folder, std::string* chosen) override;
  bool ShowHelp(const std::string& help_file, int command, long context) override;
  // A terminal has no pointer to change; long operations show nothing more.
  void SetWaitCursor(bool) override {}
  void ProcessEvents() override;

 private:
  struct Box;
  struct Layer;

  void ScreenSize(int* width, int* height) const;
  bool DialogOpen() const;
  void EnterAltScreen();
  void LeaveAltScreen();
  // Draws the innermost dialog and the boxes over it.
  void Redraw();
  // Shows a box and feeds it keys until on_key says it is done; on_end runs
  // instead when the keys end first.
  void RunBox(Box& box, const std::function<bool(const Key&)>& on_key, const std::function<void()>& on_end);
  void DrawBoxLastLine(const Box& box);
  enum class LineAnswer { kAccepted, kCancelled, kEnded };
  // A box asking for one line of text, starting with initial; answer is
  // empty unless accepted.
  LineAnswer AskLine(const std::string& title, const std::vector<std::string>& text, const std::string& initial,
                     std::string* answer);
  void ClearProgress();

  std::ostream& out_;
  KeySource& keys_;
  TerminalOptions options_;
  BatchHost fallback_;
  std::vector<Layer*> layers_;
  bool alt_screen_ = false;
  Dialog* progress_ = nullptr;
  bool progress_drawn_ = false;
  long long last_redraw_ms_ = 0;
};

}  // namespace pds::terminal
