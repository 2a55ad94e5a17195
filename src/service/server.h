// The service object's working core: everything clsProjectDataServer does,
// behind its thin public adapter. It adds to the tag layer's state the public
// operations that ask the user (new, open, select, save, save as, close,
// delete, properties), the dialog flows they open, the tag steps inside them,
// publishing tags into the project database at save, and initialization and
// shutdown.
//
// Single-threaded; nothing here throws: every operation reports through the
// error reporter and answers its failure value.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "tags/tag_store.h"

namespace pds {

class clsExportTags;
class clsStartupManager;

class Server : public TagStore {
 public:
  Server();
  ~Server() override;

  // ---- initialization and shutdown
  eProjectReturnCode PDSInitialize(const std::string& sAppPath, const std::string& sAppPdsg,
                                   const std::string& sCommandLine);
  eProjectReturnCode ExitProgram();

  // ---- project life cycle
  eProjectReturnCode ProjectNew();
  eProjectReturnCode ProjectOpen(const std::string& sJobName = "", const std::string& sProjectType = "",
                                 bool bShowNewButton = false);
  eProjectReturnCode SelectProject(std::string& sSelectedProjectName, std::string& sSelectedProjectPath,
                                   std::int32_t& lSelectedProjectID, const std::string& sDefaultType = "",
                                   eProjectOperationMode lProjectMode = SELECT_MODE, bool bShowNewButton = false);
  eProjectReturnCode ProjectProperties();
  eProjectReturnCode ProjectSave();
  eProjectReturnCode ProjectSave(std::string& sNewJobPath, std::string& sNewProjName);
  eProjectReturnCode ProjectSaveAs();
  eProjectReturnCode ProjectSaveAs(std::string& sNewJobPath, std::string& sNewProjName);
  eProjectReturnCode PromptToSaveAndContinue();
  bool CloseCurrentProject();
  eProjectReturnCode ProjectDelete(const std::string& sJobName = "", bool bShowMsgs = true);
  // Takes this application's data from an archive (empty: asks for it); see ProjectRetriever.
  eProjectReturnCode ProjectRetrieve(const std::string& sArchiveFile = "", bool bShowMsgs = true);
  // Converts a project of the earlier generation through the translator; see PreviousVersionRetriever.
  eProjectReturnCode ProjectRetrieveFromPreviousVersion(const std::string& sTranslatorExePath);

  // ---- archive (project_archive.cpp): trims sDestFile in place; empty asks for the destination
  eProjectReturnCode ProjectArchive();
  eProjectReturnCode ProjectArchive(std::string& sDestFile);

  ProjectRef NewProject();
  eProjectReturnCode OpenProject(ProjectRef& project, const std::string& sProjectType, bool bShowNewButton);
  bool RestoreCurrentProject();
  bool EditProject(const ProjectRef& project);
  eProjectReturnCode SaveProject(const ProjectRef& project);
  eProjectReturnCode SaveProjectAs(ProjectRef& project);  // releases the caller's record when it reopens the project
  bool SaveProjectConfigData(const ProjectRef& project);
  bool CloseProject(ProjectRef& project);
  eProjectReturnCode DeleteProject(const std::string& sJobName, bool bShowMsgs);
  eProjectReturnCode ShowSaveProjectAsDialog(std::string& sFolder, std::string& sName);
  eProjectReturnCode PromptForNewProjectFolderName(std::string& sFolder, const std::string& sStartFolder);
  eProjectReturnCode PromptForNewTagName(std::string& sName, const std::string& sTitle,
                                         bool bAllowOverwrite) override;

  // ---- publishing tags into the project database
  // Publishes the application's tags of the current tag type into TagIndex.
  bool IndexTags(const ProjectRef& Project);
  // Removes an application's published tags from the project database and
  // compacts it (empty sPdsg: this application; null Project: the current one).
  bool ClearExportTagData(const std::string& sPdsg = "", const ProjectRef& Project = nullptr);
  // Writes an export set into the TagIndex and TagData tables (export_tags.cpp).
  bool ExportTagData(clsExportTags* ExportTags, const std::string& sPdsg = "", const ProjectRef& Project = nullptr,
                     bool bClearCurrentDataFirst = true);

  // Until the project operations exist, tests stand in for the new-project
  // step of initialization through this hook.
  void SetProjectNewForTesting(std::function<eProjectReturnCode()> fn) { project_new_hook_ = std::move(fn); }

 private:
  // The tag steps of the project operations; each is called only for
  // applications with tag support.
  bool TagStepNewProject();                                // the first "Untitled" tag
  bool TagStepAfterOpen();                                 // reset the tag type, load tags, repair duplicates
  bool TagStepVerifyStructure(const ProjectRef& project);  // project database structure (project support)
  void TagStepClose();                                     // empty the tag collections, close the tag database
  bool TagStepResetTagType();
  void TagStepAfterSave(const ProjectRef& project);  // publish the tags of a registered project
  // Deletes from the project folder the application's data files that were
  // deleted from its working copy.
  bool SynchronizeProjectFolder();
  // Save as: whether the new record's name, and its folder when check_folder
  // is set, may take a new project; the reason is shown when not. Nothing
  // is written.
  bool SaveAsTargetAccepted(const ProjectRef& project, bool check_folder);
  // The name of a project registered for folder; empty when none.
  std::string ProjectRegisteredAt(const std::string& folder);
  // Removes the project and data files a failed save as wrote into folder.
  void RemoveFailedSaveAs(const std::string& folder);
  // Takes back a save as whose project was written and registered but whose
  // working copy could not be prepared: the registration and the files go,
  // and the user is told the project was not saved.
  void TakeBackSaveAs(const ProjectRef& project);
  // After a save as that failed: the current project's tags, loaded again.
  void ReloadCurrentTags();
  // Save as clears, before it checks the folder, what an interrupted save as
  // left there: only when the folder holds nothing but files a save as
  // writes, no project file naming a registered project and no live lock.
  // Anything else leaves the folder as it is, for the checks to refuse.
  void ClearInterruptedSaveAs(const std::string& folder);
  // Delete: whether every file the deletion removes or rewrites can be
  // changed (a folder that takes changes, no read-only, immutable or
  // append-only file); the reason in message when not. Nothing is deleted.
  bool DeletionPossible(const std::string& folder, const std::vector<std::string>& files, std::string& message);
  // Delete of a name the projects list does not hold: finishes a deletion of
  // it that was cut short, when the folder of that name in the default
  // projects folder carries its mark or was left empty; otherwise the
  // reason in message and RETURN_ERROR, with nothing touched.
  eProjectReturnCode DeleteUnlistedProject(const std::string& name, bool bShowMsgs, std::string& message);
  void MRULoadListAtStartup(DbHandle& projects_db);
  void MRUSaveListAtExit();
  void CloseProjectAtExit();

  std::unique_ptr<clsStartupManager> startup_;
  // The working folder save as prepared for the project it opens next.
  std::string staged_work_;
  bool initialized_ = false;
  std::function<eProjectReturnCode()> project_new_hook_;
};

// The working core behind a public service object (white-box tests and the
// component's own hosts reach internal members through it).
Server& ServerOf(clsProjectDataServer& server);
const Server& ServerOf(const clsProjectDataServer& server);

}  // namespace pds
