// The service object's prompts around a project's name and folder: the
// save-as dialog that names a new project and makes its folder, the folder
// prompt behind its change-folder button, and the properties editor.
#include <memory>

#include "dialogs/frm_properties.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "files/file_routines.h"
#include "dialogs/frm_folder.h"
#include "dialogs/frm_save_project_as.h"
#include "ui/boundary_guard.h"

namespace pds {

// sFolder carries the initial name in and the chosen folder out; sName gives
// the new name out. A caller that keeps the initial name in sName (and
// passes sFolder blank) gets the same dialog.
eProjectReturnCode Server::ShowSaveProjectAsDialog(std::string& sFolder, std::string& sName) {
  return Guarded("ShowSaveProjectAsDialog()", vbExclamation, RETURN_ERROR, [&]() -> eProjectReturnCode {
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
  });
}

eProjectReturnCode Server::PromptForNewProjectFolderName(std::string& sFolder, const std::string& sStartFolder) {
  return pds::PromptForNewProjectFolderName(this, sFolder, sStartFolder);
}

bool Server::EditProject(const ProjectRef& project) {
  return Guarded("EditProject()", vbExclamation, false, [&]() -> bool {
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
  });
}

}  // namespace pds
