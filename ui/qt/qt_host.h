// The desktop host: every message box, input box, file and folder dialog and
// dialog model of the component as a real Qt Widgets window.
//
// Modal dialogs run a nested event loop until their model is hidden or
// unloaded, so a dialog opened from another one's handler (save-as opening
// the folder dialog) simply runs one loop deeper, above its owner. Progress
// windows are shown without a loop and kept painted by ProcessEvents, which
// the component calls from its long loops. Message boxes take their icon,
// buttons, default button and title from the style bits; Escape gives the
// box's escape answer.
//
// The host needs a QApplication that lives longer than it, and is used on
// that application's thread only. Nothing here throws. Observers (tests,
// screenshots) are told of each window once it is on the screen and may act
// on it as a user would; the host never depends on them.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "pds/UiHost.h"

class QWidget;

namespace pds::qt {

class FormWindow;

struct QtHostOptions {
  // Told when a window has been shown: a dialog model's window (kind "form",
  // name the form's name), a message box ("msgbox"), an input box ("input"),
  // a file or folder dialog ("file", "folder") or the help window ("help").
  // Runs inside the window's own event loop.
  std::function<void(const std::string& kind, const std::string& name, QWidget& window)> shown;
  // Parent of the first-level windows (the application's main window).
  QWidget* main_window = nullptr;
};

class QtHost : public UiHost {
 public:
  explicit QtHost(QtHostOptions options = {});
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  void SetMainWindow(QWidget* window) { options_.main_window = window; }
  void SetShownObserver(decltype(QtHostOptions::shown) shown) { options_.shown = std::move(shown); }

  int MsgBox(const std::string& prompt, int style, const std::string& title) override;
  bool InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                std::string* answer) override;
  void RunModal(Dialog& dialog) override;
  void ShowModeless(Dialog& dialog) override;
  void Refresh(Dialog& dialog) override;
  void CloseModeless(Dialog& dialog) override;
  bool FileDialog(const FileDialogRequest& request, std::string* chosen) override;
  bool BrowseForFolder(const std::string& title, const std::string& initial_folder, std::string* chosen) override;
  // Opens the help window on the file's topic; false when the file is missing.
  bool ShowHelp(const std::string& help_file, int command, long context) override;
  void SetWaitCursor(bool busy) override;
  void ProcessEvents() override;

  // The window of a dialog model now shown, or null.
  FormWindow* WindowOf(const Dialog& dialog) const;

 private:
  // The window new windows open above: the innermost modal one, else the main window.
  QWidget* Owner() const;
  // Tells the observer once the window is on the screen.
  void Announce(const std::string& kind, const std::string& name, QWidget* window);

  QtHostOptions options_;
  std::map<const Dialog*, FormWindow*> windows_;
  std::unique_ptr<QWidget> help_window_;
  bool busy_ = false;
  long long last_paint_ms_ = 0;
};

// Qt's name filters from the common dialog's filter text
// ("Archive Files (*.QVA)|*.QVA|All Files (*.*)|*.*").
QStringList NameFilters(const std::string& filter);

}  // namespace pds::qt
