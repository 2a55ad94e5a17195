// The user-interface host: everything the component shows goes through one
// object of this interface, chosen by the application for the whole process.
// The component never draws; hosts (scripted for tests and scripts, batch,
// terminal, desktop) decide how a message box or a dialog model is presented
// and how the user answers.
//
// Hosts are called on the application's single user-interface thread. A host
// never throws; a host that cannot ask the user answers with the default.
#pragma once

#include <memory>
#include <string>

namespace pds {

class Dialog;

// Message-box style bits and answers, with the values of the Windows message box.
enum MsgBoxStyle : int {
  vbOKOnly = 0,
  vbOKCancel = 1,
  vbAbortRetryIgnore = 2,
  vbYesNoCancel = 3,
  vbYesNo = 4,
  vbRetryCancel = 5,
  vbCritical = 16,
  vbQuestion = 32,
  vbExclamation = 48,
  vbInformation = 64,
  vbDefaultButton1 = 0,
  vbDefaultButton2 = 256,
  vbDefaultButton3 = 512,
};

enum MsgBoxResult : int {
  vbOK = 1,
  vbCancel = 2,
  vbAbort = 3,
  vbRetry = 4,
  vbIgnore = 5,
  vbYes = 6,
  vbNo = 7,
};

// The buttons a style asks for, in order, and the answer of the default button.
int MsgBoxDefaultAnswer(int style);
// The answer that ends a question when nobody can answer it: Cancel where the
// box has it, else No, else Abort, else OK. Hosts without a user fall back to
// it when the component keeps asking the same question (a loop that only a
// person could leave, such as the user-ID confirmation).
int MsgBoxEscapeAnswer(int style);

// Help requests, with the values of the Windows help call.
inline constexpr int kHelpContext = 1;
inline constexpr int kHelpContents = 11;

struct FileDialogRequest {
  bool save = false;            // save dialog (true) or open dialog (false)
  std::string title;
  std::string filter;           // "Archive Files (*.QVA)|*.QVA|All Files (*.*)|*.*"
  int filter_index = 1;
  std::string default_ext;
  std::string initial_folder;
  std::string file_name;        // proposed name
  long flags = 0;               // the common dialog's flag bits, passed through
};

class UiHost {
 public:
  virtual ~UiHost() = default;

  // Shows a modal message box and returns the answer (vbOK, vbYes ...).
  virtual int MsgBox(const std::string& prompt, int style, const std::string& title) = 0;

  // Asks for one line of text. Returns false when the user cancels, in which
  // case the language's input box would have answered an empty text.
  virtual bool InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                        std::string* answer) = 0;

  // Runs a dialog model modally: the host shows it, feeds it the user's
  // actions, and returns once the model has hidden or unloaded itself.
  virtual void RunModal(Dialog& dialog) = 0;

  // Shows a dialog without waiting (progress windows); Refresh redraws it after
  // the model changed, Close removes it.
  virtual void ShowModeless(Dialog& dialog) = 0;
  virtual void Refresh(Dialog& dialog) = 0;
  virtual void CloseModeless(Dialog& dialog) = 0;

  // The common open/save file dialogs; false when cancelled.
  virtual bool FileDialog(const FileDialogRequest& request, std::string* chosen) = 0;

  // The shell's folder browser; false when cancelled.
  virtual bool BrowseForFolder(const std::string& title, const std::string& initial_folder,
                               std::string* chosen) = 0;

  // Shows help from the help file: command kHelpContext with a context number,
  // or kHelpContents with 0. False when help could not be shown.
  virtual bool ShowHelp(const std::string& help_file, int command, long context) = 0;

  // The wait cursor during long operations; false restores the default cursor.
  virtual void SetWaitCursor(bool busy) = 0;

  // Lets the host handle pending user events during a long loop (a Cancel
  // button pressed while a search runs).
  virtual void ProcessEvents() = 0;
};

// The process-wide host. Until the application sets one, a batch host answers
// every question with its default button and writes messages to standard error.
UiHost& Ui();
std::shared_ptr<UiHost> SetUiHost(std::shared_ptr<UiHost> host);  // returns the previous host

}  // namespace pds
