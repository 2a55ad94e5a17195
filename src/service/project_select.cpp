// SelectProject: the public way to let the user pick a project in the select
// dialog, and the entry the open, delete and archive operations share.
#include <memory>

#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "dialogs/frm_select.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "ui/boundary_guard.h"

namespace pds {

eProjectReturnCode Server::SelectProject(std::string& sSelectedProjectName,
                                                       std::string& sSelectedProjectPath,
                                                       std::int32_t& lSelectedProjectID,
                                                       const std::string& sDefaultType,
                                                       eProjectOperationMode lProjectMode, bool bShowNewButton) {
  return Guarded("SelectProject()", vbExclamation, RETURN_ERROR, [&]() -> eProjectReturnCode {
    std::int32_t count = 0;
    ProjectCount(count);
    if (count < 1) {
      ShowError("There are no projects to select.", vbExclamation, "SelectProject()");
      return RETURN_USER_CANCEL;
    }
    auto dialog = std::make_unique<frmSelect>();
    if (!Trim(sDefaultType).empty()) dialog->SetDefaultType(sDefaultType);
    dialog->SetProjectMode(lProjectMode);
    dialog->SetShowNewButton(bShowNewButton);
    dialog->SetServer(this);
    if (ValidProject(project_)) dialog->SetCurrentProjectName(project_->JobName());
    dialog->SetProjectsDb(project_db_);
    if (user_id_required_) dialog->SetUserName(net_user_id_);
    dialog->Show();

    bool accepted = dialog->Accepted();
    bool new_pressed = dialog->NewPressed();
    std::string name = dialog->SelectedName();
    std::string path = dialog->SelectedPath();
    std::int32_t id = dialog->SelectedJobID();
    UnloadDialog(dialog);

    if (accepted) {
      sSelectedProjectName = name;
      sSelectedProjectPath = path;
      lSelectedProjectID = id;
      return RETURN_OK;
    }
    if (new_pressed) {
      ProjectRef project = NewProject();
      if (project) {
        if (project_) CloseProject(project_);
        project_ = project;
      }
    }
    sSelectedProjectName.clear();
    return RETURN_USER_CANCEL;
  });
}

}  // namespace pds
