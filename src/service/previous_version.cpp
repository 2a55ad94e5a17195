#include "service/previous_version.h"

#include <memory>
#include <set>

#include "archive/translator.h"
#include "dialogs/frm_folder.h"
#include "files/file_routines.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"

namespace pds {

namespace {

// The service objects inside the operation now. The mark is per object, so
// that two applications' objects in one process never block each other.
class Busy {
 public:
  explicit Busy(const Server* server) : server_(server) { taken_ = Running().insert(server).second; }
  ~Busy() {
    if (taken_) Running().erase(server_);
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
  bool taken() const { return taken_; }

 private:
  static std::set<const Server*>& Running() {
    static std::set<const Server*> running;
    return running;
  }
  const Server* server_;
  bool taken_ = false;
};

}  // namespace

eProjectReturnCode PreviousVersionRetriever::ProjectRetrieveFromPreviousVersion(
    const std::string& sTranslatorExePath) {
  constexpr const char* kTitle = "ProjectRetrieveFromPreviousVersion()";
  Busy busy(&server_);
  if (!busy.taken()) return RETURN_USER_CANCEL;
  eProjectReturnCode result = RETURN_ERROR;
  try {
    const eProjectReturnCode prompt = server_.PromptToSaveAndContinue();
    if (prompt == RETURN_USER_CANCEL) {
      result = RETURN_USER_CANCEL;
    } else if (prompt != RETURN_OK) {
      ShowError("", vbExclamation, kTitle);
    } else {
      const eProjectReturnCode worker = RetrieveFromPreviousVersion(sTranslatorExePath);
      if (worker == RETURN_OK || worker == RETURN_USER_CANCEL) {
        result = worker;
      } else {
        server_.RestoreCurrentProject();
        // The worker has shown its reason; what reloading left pending is not it.
        ClearError();
        ShowError("Retrieve from previous version failed.", vbExclamation, kTitle);
      }
    }
  } catch (...) {
    CatchToPending();
    ShowError("", vbExclamation, kTitle);
    result = RETURN_ERROR;
  }
  if (!server_.Project()) server_.ProjectNew();
  return result;
}

eProjectReturnCode PreviousVersionRetriever::RetrieveFromPreviousVersion(const std::string& sTranslatorExePath) {
  constexpr const char* kTitle = "RetrieveFromPreviousVersion()";
  const ProjectRef project = server_.Project();
  if (!server_.ValidProject(project)) {
    ShowError("Error - No current project object.", vbExclamation, kTitle);
    return RETURN_ERROR;
  }
  // Refused before the user is asked anything: without the translator there
  // is nothing the folder could be used for.
  if (!FileExists(sTranslatorExePath)) {
    ShowError("The conversion program necessary to retrieve the selected project was not found." + LineBreaks(2) +
                  ContactSupportText(),
              vbExclamation, kTitle);
    return RETURN_ERROR;
  }
  const std::string source = AskForFolder();
  if (source.empty()) return RETURN_USER_CANCEL;

  // The tag database lives in the working folder: it is closed before the
  // folder is prepared and emptied, and the collections are loaded again
  // from what replaces it.
  server_.ReleaseDataFiles();
  const std::string target = server_.GetWorkingProjectPath(project->JobPath());
  if (target.empty()) return RETURN_ERROR;  // the reason has been shown
  server_.SetAppDirty(true);
  if (!DeleteFileSpec(AddBackslash(target) + "*.*") || !server_.CopyNewAppFilesToWorkArea(target)) {
    ShowError("", vbExclamation, kTitle);
    return RETURN_ERROR;
  }

  clsTranslator translator;
  const eProjectReturnCode result = translator.Translator(sTranslatorExePath, source, target);
  if (result != RETURN_OK && result != RETURN_USER_CANCEL) {
    ShowError("", vbExclamation, kTitle);
    return RETURN_ERROR;
  }
  if (result == RETURN_USER_CANCEL) {
    // The user stopped the translator after the working folder was emptied:
    // what it holds now is neither the project nor a conversion, and a later
    // save would write it over the project. The project's own files are
    // loaded again, so a cancel changes nothing (the translator's half is
    // deleted first: it is no one's work to keep aside).
    if (!DeleteFileSpec(AddBackslash(target) + "*.*") || !server_.RestoreCurrentProject()) return RETURN_ERROR;
    server_.SetAppDirty(false);
  }
  if ((server_.AppDataStyle() & TAG_SUPPORT) != 0 && !server_.ResetTagType()) {
    ShowError("", vbExclamation, kTitle);
    return RETURN_ERROR;
  }
  return result;
}

std::string PreviousVersionRetriever::AskForFolder() {
  auto dialog = std::make_unique<frmFolder>();
  dialog->SetOwner(&server_);
  dialog->SetMode(RETRIEVE_PREV_MODE);
  dialog->SetStartFolder(kPreviousVersionFolder);
  dialog->Show();
  const std::string folder = dialog->Accepted() ? dialog->Folder() : std::string();
  UnloadDialog(dialog);
  return folder;
}

// ---- the service's member

eProjectReturnCode Server::ProjectRetrieveFromPreviousVersion(const std::string& sTranslatorExePath) {
  PreviousVersionRetriever retriever(*this);
  return retriever.ProjectRetrieveFromPreviousVersion(sTranslatorExePath);
}

}  // namespace pds
