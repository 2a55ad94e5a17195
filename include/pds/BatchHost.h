// The non-interactive host: every question is answered with its default
// button, every message is written to standard error, dialogs are closed as
// their Cancel button would close them. A question that keeps coming back
// (asked 10 times among the last 32, a Retry question 3 times) is answered
// with Cancel or No instead. The process uses it until the
// application chooses another host.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <utility>

#include "pds/UiHost.h"

namespace pds {

class BatchHost : public UiHost {
 public:
  // One thing shown and the answer it got.
  struct Shown {
    enum Kind { kMessageBox, kInputBox, kDialog, kFileDialog, kFolderBrowser, kHelp };
    Kind kind = kMessageBox;
    std::string title;   // a dialog's caption
    std::string text;    // the prompt; a dialog's form name; the help file; a chooser's initial folder
    int answer = 0;      // a message box's answer
    std::string answer_text;  // an input box's answer (empty when cancelled)
    bool declined = false;    // an input box cancelled; a chooser or dialog left by Cancel
    bool repeated = false;    // answered with the escape answer: asked again and again
    long help_context = 0;
    bool help_by_context = false;

    static Shown Of(Kind kind, std::string title, std::string text) {
      Shown shown;
      shown.kind = kind;
      shown.title = std::move(title);
      shown.text = std::move(text);
      return shown;
    }
  };

  explicit BatchHost(std::FILE* out = stderr) : out_(out) {}

  int MsgBox(const std::string& prompt, int style, const std::string& title) override;
  bool InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                std::string* answer) override;
  void RunModal(Dialog& dialog) override;
  void ShowModeless(Dialog&) override {}
  void Refresh(Dialog&) override {}
  void CloseModeless(Dialog&) override {}
  bool FileDialog(const FileDialogRequest& request, std::string* chosen) override;
  bool BrowseForFolder(const std::string& title, const std::string& initial_folder, std::string* chosen) override;
  bool ShowHelp(const std::string& help_file, int command, long context) override;
  void SetWaitCursor(bool) override {}
  void ProcessEvents() override {}

 protected:
  // Tells what was shown and answered; writes one line to the host's stream.
  virtual void Show(const Shown& shown);

 private:
  // True when the same question has come back so often lately that only a
  // person could end the loop: it is then answered with its escape answer
  // instead of its default, so a batch run never asks forever.
  bool AskedTooOften(const std::string& key, long limit);

  std::FILE* out_;
  std::deque<std::string> recent_;
};

}  // namespace pds
