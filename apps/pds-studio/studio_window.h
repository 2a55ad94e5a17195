// The main window of pds-studio, the sample desktop application of the family
// (it stands in for Pump Designer): the File menu of project operations with
// the most recently used projects, a tag pane with the current tag type's
// tags and the selected tag's fields, and a status bar with the project's
// name, folder and lock state.
//
// The window only calls the component's public operations; every dialog and
// message the operations show comes from the component through the Qt host.
// After each operation the window reads the component's state again, so
// what it shows is never a copy of its own. Menu items an operation cannot
// serve in the current state are disabled with a tool tip saying why.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

class QAction;

namespace pds {
class clsProjectDataServer;
}

namespace pds::studio {

class StudioWindow : public QMainWindow {
 public:
  // translator: the sample translator program for retrieval from the
  // previous version; empty when it is not installed.
  StudioWindow(clsProjectDataServer& server, std::string translator);
  ~StudioWindow() override;

  // Reads the component's state into the menus, the tag pane and the status bar.
  void RefreshAll();
  // The File menu's item of that object name ("actNew", "actSaveAs" ...), or null.
  QAction* Action(const QString& name) const;
  // Selects a tag of the pane by name; false when it is not listed.
  bool SelectTag(const std::string& name);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Impl;
  void BuildMenus();
  void BuildPane();
  // Runs a project operation, then shows the state it left.
  void RunProjectOperation(const std::function<void()>& operation);
  void RefreshMenus();
  void RefreshTags();
  void ShowTagFields();
  void TagOperation(const std::string& verb);
  void StoreField(int row);

  clsProjectDataServer& server_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pds::studio
