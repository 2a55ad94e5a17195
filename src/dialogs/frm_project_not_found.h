// frmProjectNotFound: the modal dialog that tells the user why a project
// chosen from the projects list cannot be opened (its folder is gone, empty
// or holds another project) and offers Find (search for the project and
// reconnect it), Remove (take it off the projects list) or Close.
//
// The dialog only records the choice: ShowProjectNotFoundDialog
// (project_search.h) creates it, shows it, reads Result and ListChanged, and
// carries out a removal after the dialog has closed. Any button hides the
// dialog except a Find that reconnected nothing, which leaves it open for
// another choice; the window's close box also only hides it. Nothing here
// throws; handler failures are reported by the dialog base.
#pragma once

#include <string>

#include "dialogs/form_controls.h"
#include "pds/Dialog.h"

namespace pds {

class frmProjectNotFound : public Dialog {
 public:
  frmProjectNotFound();

  // ---- inputs, set before Show
  // Why the project cannot be opened (DoesProjectExistInFolder's message).
  void SetMessage(const std::string& message) { lblMessage.SetCaption(message); }
  void SetProjectName(const std::string& name) { lblProjectName.SetCaption(name); }
  void SetProjectPath(const std::string& path) { lblProjectPath.SetCaption(path); }

  // ---- results, read after Show
  // The last choice made: kProjectNotFoundClosed (also when the window was
  // closed without any choice), kProjectNotFoundFind or kProjectNotFoundRemove.
  int Result() const { return result_; }
  // True when Find reconnected the project, so the projects list changed.
  bool ListChanged() const { return list_changed_; }

  Label& lblMessage = Add<Label>("lblMessage");
  Label& lblProjectName = Add<Label>("lblProjectName");
  Label& lblProjectPath = Add<Label>("lblProjectPath");
  CommandButton& cmdFind = AddCaptioned<CommandButton>(*this, "cmdFind", "Find");
  CommandButton& cmdRemove = AddCaptioned<CommandButton>(*this, "cmdRemove", "Remove");
  CommandButton& cmdClose = AddCaptioned<CommandButton>(*this, "cmdClose", "Close");
  CommandButton& cmdHelp = AddCaptioned<CommandButton>(*this, "cmdHelp", "Help");

 protected:
  void Form_QueryUnload(bool& cancel, int unload_mode) override;

 private:
  void cmdFind_Click();
  void cmdRemove_Click();
  void cmdClose_Click();
  void cmdHelp_Click();
  // Searches for the project and reconnects it to the projects list; answers
  // 2 after a reconnection, else 0.
  int FindAndReconnect();

  int result_ = 0;
  bool list_changed_ = false;
};

}  // namespace pds
