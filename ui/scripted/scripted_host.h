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
  std::string kind;  // "msgbox", "input", "dialog", "progress", "file", "folder", "help"
  std::string title;
  std::string text;
  int style = 0;
  int answer = 0;
};

// One step of a script. Steps other than actions are consumed, in order, by
// what the component shows; action steps play the user's part on the
// innermost open modal dialog (or on the dialog named by form) while it is
// open. The text form of steps is described in answer_script.h.
struct ScriptStep {
  std::string kind;     // "msgbox", "input", "dialog", "folder", "file", "action"
  std::string title;    // msgbox and input: the title; dialog: the form name
  std::string text;     // msgbox: the text (or fragment); input, folder, file: the answer
  bool contains = false;  // msgbox: text is a fragment of the message
  int answer = 0;       // msgbox: the button answered
  bool cancel = false;  // input: cancel the box
  std::function<void(Dialog&)> actions;  // dialog: the user's part, given in code

  // Actions: verb is "type", "click", "dblclick", "check", "select", "tab",
  // "column", "key", "focus", "enter", "escape" or "close".
  std::string verb;
  std::string control;
  std::string argument;  // type: the text
  int index = 0;         // the item, tab, column or key code
  bool checked = true;   // check: the check mark to set
  std::string form;      // the dialog meant; empty for the innermost
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
  // Appends any step, actions included.
  ScriptedHost& Expect(ScriptStep step);
  // Appends the steps of a script in its text form; false (and nothing
  // appended) when the text does not parse, with the reason in error.
  bool AddScript(const std::string& text, std::string* error);
  // Called on every ProcessEvents, which long loops call; lets a test act
  // while a loop runs (press Cancel during a search).
  void OnProcessEvents(std::function<void()> callback) { on_events_ = std::move(callback); }

  const std::vector<ShownItem>& shown() const { return shown_; }
  // The request of the last file dialog shown (title, filter, flags ...).
  const FileDialogRequest& last_file_request() const { return last_file_request_; }
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
  void ProcessEvents() override;

  bool wait_cursor() const { return wait_cursor_; }

 private:
  using Step = ScriptStep;
  static constexpr std::size_t kRunawayFailures = 20;
  void Fail(const std::string& what);
  // Performs the queued action steps meant for dialog while it stays open.
  void RunQueuedActions(Dialog& dialog);
  // Records the actions the dialog refused as failures.
  void ReportRefusals(Dialog& dialog, const std::string& during);
  // Closes a dialog the script left open: Cancel button, close box, hide.
  void CloseLeftOpen(Dialog& dialog);
  void RecordProgress(Dialog& dialog);
  // Takes the next step if it is of this kind; records a failure otherwise.
  bool NextStep(const std::string& kind, Step* step, const std::string& shown_description);

  std::deque<Step> steps_;
  std::vector<ShownItem> shown_;
  std::vector<std::string> failures_;
  std::function<void(const std::string&)> on_failure_;
  std::function<void()> on_events_;
  FileDialogRequest last_file_request_;
  bool wait_cursor_ = false;
};

// Makes the text of a message readable in a failure report (CR and LF shown).
std::string Visible(const std::string& text);

}  // namespace pds::ui
