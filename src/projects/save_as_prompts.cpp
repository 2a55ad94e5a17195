// The service object's prompts around a project's name and folder: the
// save-as dialog that names a new project and makes its folder, the folder
// prompt behind its change-folder button, and the properties editor.
#include <memory>

#include "core/frm_properties.h"
#include "core/messages/dialog_messages.h"
#include "core/messages/messages.h"
#include "core/messages/pending_error.h"
#include "core/process_state.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"
#include "projects/file_routines.h"
#include "projects/frm_folder.h"
#include "projects/frm_save_project_as.h"

namespace pds {

// sFolder carries the initial name in and the chosen folder out; sName gives
// the new name out. A caller that keeps the initial name in sName (and
// passes sFolder blank) gets the same dialog.
eProjectReturnCode clsProjectDataServer::ShowSaveProjectAsDialog(std::string& sFolder, std::string& sName) {
  try {
    const std::string initial_name = Trim(sFolder).empty() ? sName : sFolder;
    auto dialog = std::make_unique<frmSaveProjectAs>();
    dialog->SetOwner(this);
    dialog->SetCaption("Save Project As");
    dialog->SetInitialName(initial_name);
    dialog->SetBaseFolder(Shared().default_projects_folder);
    dialog->SetMaxNameLength(JobNameLengthLimit());
    dialog->Show();
    const bool accepted = dialog->Accepted();
    sFolder = dialog->Folder();
    sName = dialog->ProjectName();
    UnloadDialog(dialog);
    if (!accepted) {
      sFolder.clear();
      return RETURN_USER_CANCEL;
    }
    return sFolder.empty() || sName.empty() ? RETURN_ERROR : RETURN_OK;
  } catch (...) {
    CatchToPending();
    ShowError("", vbExclamation, "ShowSaveProjectAsDialog()");
    return RETURN_ERROR;
  }
}

eProjectReturnCode clsProjectDataServer::PromptForNewProjectFolderName(std::string& sFolder,
                                                                       const std::string& sStartFolder) {
  sFolder.clear();
  try {
    auto dialog = std::make_unique<frmFolder>();
    dialog->SetOwner(this);
    dialog->SetMode(SAVE_MODE);
    dialog->SetStartFolder(sStartFolder);
    dialog->Show();
    const bool accepted = dialog->Accepted();
    const std::string folder = dialog->Folder();
    UnloadDialog(dialog);
    if (!accepted || folder.empty()) return RETURN_USER_CANCEL;
    // A new project's files must not mix with files already there.
    if (!IsFolderEmpty(folder)) {
      // A missing folder has been reported by the emptiness check itself.
      if (FileExists(folder)) {
        ShowError("Invalid Project Folder.  Folder is not empty." + LineBreaks(0) + InBrackets(folder) + LineBreaks(0) +
                      "A folder must be empty to accept a newly created project.",
                  vbCritical, "PromptForNewProjectFolderName()");
      }
      return RETURN_ERROR;
    }
    sFolder = folder;
    return RETURN_OK;
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, "PromptForNewProjectFolderName()");
    sFolder.clear();
    return RETURN_ERROR;
  }
}

bool clsProjectDataServer::EditProject(const ProjectRef& project) {
  try {
    if (!ValidProject(project)) {
      ShowError("There is no current project.  Please open an existing project or create a new project.", vbExclamation,
                "EditProject()");
      return false;
    }
    auto dialog = std::make_unique<frmProperties>();
    dialog->SetProject(project);
    dialog->Show();
    UnloadDialog(dialog);
    return true;
  } catch (...) {
    CatchToPending();
    ShowError("", vbExclamation, "EditProject()");
    return false;
  }
}

}  // namespace pds
