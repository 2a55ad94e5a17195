// The scripted host: answers come from a script of expected steps, and every
// message box, input box and dialog shown is recorded. Anything shown that the
// script did not expect, or shown differently, is a failure: it is recorded,
// answered with the default button, and reported by failures(). Tests assert
// that failures() is empty and every step was used; `pds session --ui
// script:FILE` ends the session when a failure occurs.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "pds/UiHost.h"

namespace pds::ui {

// One thing the component showed, as the host saw it.
struct ShownItem {
  std::string kind;  // "msgbox", "input", "dialog", "file", "folder", "help"
  std::string title;
  std::string text;
  int style = 0;
  int answer = 0;
};

class ScriptedHost : public UiHost {
 public:
  // Expects a message box with exactly this title and text; answers it.
  ScriptedHost& ExpectMsgBox(std::string title, std::string text, int answer = vbOK);
  // Expects a message box whose text contains fragment (title exact).
  ScriptedHost& ExpectMsgBoxContaining(std::string title, std::string fragment, int answer = vbOK);
  // Expects an input box with this title; answers text, or cancels.
  ScriptedHost& ExpectInputBox(std::string title, std::string answer);
  ScriptedHost& ExpectInputBoxCancel(std::string title);
  // Expects a modal dialog named name (its form name, e.g. "frmSelect"); the
  // actions play the user's part on the model and must leave it hidden.
  ScriptedHost& ExpectDialog(std::string name, std::function<void(Dialog&)> actions);
  // Expects the folder browser or a file dialog; an empty answer cancels.
  ScriptedHost& ExpectBrowseForFolder(std::string answer);
  ScriptedHost& ExpectFileDialog(std::string answer);

  const std::vector<ShownItem>& shown() const { return shown_; }
  const std::vector<std::string>& failures() const { return failures_; }
  // Steps the script still holds (expected but never shown).
  std::size_t pending_steps() const { return steps_.size(); }
  // Failures plus one line per unused step; empty when the script ran exactly.
  std::vector<std::string> Problems() const;
  // Called on every failure as it happens (the session host stops on it).
  void OnFailure(std::function<void(const std::string&)> callback) { on_failure_ = std::move(callback); }

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
  void SetWaitCursor(bool busy) override { wait_cursor_ = busy; }
  void ProcessEvents() override {}

  bool wait_cursor() const { return wait_cursor_; }

 private:
  struct Step {
    std::string kind;
    std::string title;
    std::string text;
    bool contains = false;
    int answer = 0;
    bool cancel = false;
    std::function<void(Dialog&)> actions;
  };
  void Fail(const std::string& what);
  // Takes the next step if it is of this kind; records a failure otherwise.
  bool NextStep(const std::string& kind, Step* step, const std::string& shown_description);

  std::deque<Step> steps_;
  std::vector<ShownItem> shown_;
  std::vector<std::string> failures_;
  std::function<void(const std::string&)> on_failure_;
  bool wait_cursor_ = false;
};

// Makes the text of a message readable in a failure report (CR and LF shown).
std::string Visible(const std::string& text);

}  // namespace pds::ui
