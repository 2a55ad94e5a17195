// The message routines that concern dialogs: releasing a finished dialog,
// the text of a file's dates as archive dialogs show them, fitting list-view
// columns, and the Help button every dialog shares, with the one table of
// help topics the dialogs use.
//
// None of these throws; failures are ignored or reported as described per
// routine.
#pragma once

#include <memory>
#include <string>

namespace pds {

class Dialog;
class ListView;

// Unloads a dialog (Form_QueryUnload and Form_Unload run; a cancel is
// ignored) and destroys it. Used through UnloadDialog.
void UnloadAndRelease(Dialog& dialog) noexcept;

// When the reference is set, closes and unloads the dialog; then clears the
// reference (the dialog is destroyed with the last reference).
template <class D>
void UnloadDialog(std::unique_ptr<D>& dialog) noexcept {
  if (dialog) UnloadAndRelease(*dialog);
  dialog.reset();
}
template <class D>
void UnloadDialog(std::shared_ptr<D>& dialog) noexcept {
  if (dialog) UnloadAndRelease(*dialog);
  dialog.reset();
}

// Which time GetFileDateText reports.
inline constexpr long kFileLastAccessTime = 1;
inline constexpr long kFileCreationTime = 2;
inline constexpr long kFileLastWriteTime = 3;

// The date and time of the first file matching path (a name or a pattern),
// in local time: the long date, ", ", the time. Empty when nothing matches,
// for any other which, or on any failure.
//
// The formats are the user's, taken from the process's LC_TIME locale (an
// application adopts the user's locale with setlocale at start; until then it
// is "C"). The "C"/"POSIX" and US English locales give the long date and time
// the family's users know: "Tuesday, March 5, 2024, 5:07:09 PM". Other
// locales give the weekday name, ", ", the locale's date (%x), ", ", and the
// locale's time (%X), because POSIX locales define no long date format.
std::string GetFileDateText(const std::string& path, long which) noexcept;

// Sets every column of the list view to fit the larger of its header and its
// contents (column width -2).
void AutoSizeListColumns(ListView& list) noexcept;

// ---- help

// The component's help file; empty means there is no help. Set at
// initialization ("KOVRA.HLP" in the component's folder).
std::string HelpFile();
void SetHelpFile(std::string file);

// The dialogs with a Help button.
enum class HelpDialog {
  kArchiveInformation,  // frmProject
  kProjectProperties,
  kSaveProjectAs,
  kNameEntry,        // mode: the dialog's mode
  kFolderChoice,     // mode: eProjectOperationMode
  kSelectProject,    // mode: eProjectOperationMode
  kProjectNotFound,
  kProjectSearch,    // mode: 1 find project, 0 find all projects
};

struct HelpRequest {
  int command = 0;   // kHelpContext or kHelpContents
  long context = 0;  // the topic; 0 with kHelpContents
};

// The help request of a dialog's Help button in the given mode.
HelpRequest DialogHelpRequest(HelpDialog dialog, long mode = 0);

// What every Help button does: without a help file, the message "Unable to
// display Help Contents.  There is no Help associated with this project."
// (information icon, titled with the dialog's caption); otherwise the host
// shows the topic, and a failure is reported with its description, again
// with the information icon and the caption.
void ShowDialogHelp(const Dialog& dialog, int command, long context) noexcept;
void ShowDialogHelp(const Dialog& dialog, const HelpRequest& request) noexcept;
// From the dialog's HelpContextID: its topic, or the contents when 0.
void ShowDialogHelp(const Dialog& dialog) noexcept;

}  // namespace pds
