// The service object: the one public object an application creates and talks
// to. It holds the working state of one application (who it is, where the
// installation is, who the user is, the current project, its databases and
// tag settings) and carries every public operation of the component.
//
// Use: create it, call PDSInitialize once, use the other members, call
// ExitProgram before releasing it. Members other than the properties assume a
// successful PDSInitialize. Every operation runs to completion on the calling
// thread, shows its own dialogs and messages through the process-wide UI host,
// and reports its outcome as a return code: no member throws.
//
// Destroying the object releases what it owns (databases, collections, the
// current project record and with it the project's lock files) but neither
// saves nor closes the project; ExitProgram does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pds/Types.h"

namespace pds {

namespace db {
class Database;
class Recordset;
}  // namespace db

class clsDataDef;
class clsDLLInfo;
class clsMRUJobs;
class clsSelectedTags;
class clsUnitTag;
class clsUnitTags;
class clsProject;
class clsStartupManager;
struct DataFileSpec;

using ProjectRef = std::shared_ptr<clsProject>;
// (designation, application name) pairs of a project file's application list.
using AppList = std::vector<std::pair<std::string, std::string>>;

using DbHandle = std::shared_ptr<db::Database>;
using RsHandle = std::shared_ptr<db::Recordset>;

class clsProjectDataServer {
 public:
  clsProjectDataServer();
  ~clsProjectDataServer();
  clsProjectDataServer(const clsProjectDataServer&) = delete;
  clsProjectDataServer& operator=(const clsProjectDataServer&) = delete;

  // ---- initialization and shutdown
  eProjectReturnCode PDSInitialize(const std::string& sAppPath, const std::string& sAppPdsg,
                                   const std::string& sCommandLine);
  eProjectReturnCode ExitProgram();

  // ---- projects list
  eProjectReturnCode ProjectCount(std::int32_t& lNumberOfProjects, const std::string& sPdsg = "");
  bool DoesProjectExist(const std::string& sJobName, bool& bFound);
  bool GetProjectInfo(const std::string& sJobName, std::int32_t& lJobID, std::string& sJobPath);

  // ---- project life cycle
  // The current project; null when there is none.
  const ProjectRef& Project() const { return project_; }
  bool ValidProject(const ProjectRef& ProjectToValidate) const;
  eProjectReturnCode ProjectNew();
  eProjectReturnCode ProjectOpen(const std::string& sJobName = "", const std::string& sProjectType = "",
                                 bool bShowNewButton = false);
  eProjectReturnCode SelectProject(std::string& sSelectedProjectName, std::string& sSelectedProjectPath,
                                   std::int32_t& lSelectedProjectID, const std::string& sDefaultType = "",
                                   eProjectOperationMode lProjectMode = SELECT_MODE, bool bShowNewButton = false);
  eProjectReturnCode ProjectProperties();
  bool LockProject(const ProjectRef& Project = nullptr);
  eProjectReturnCode ProjectSave();
  eProjectReturnCode ProjectSave(std::string& sNewJobPath, std::string& sNewProjName);
  eProjectReturnCode ProjectSaveAs();
  eProjectReturnCode ProjectSaveAs(std::string& sNewJobPath, std::string& sNewProjName);
  eProjectReturnCode PromptToSaveAndContinue();
  bool CloseCurrentProject();
  eProjectReturnCode ProjectDelete(const std::string& sJobName = "", bool bShowMsgs = true);
  std::string GetTempPathAndFileName(const std::string& sTempPath = "");
  bool IsAppDataRegistered(const std::string& sProject, const std::string& sPdsg = "");

  // ---- project configuration values (in the project database, mirrored in the project file)
  std::int32_t SetProjConfigValue(const std::string& sProjectDb, const std::string& sKey, const std::string& sValue,
                                  const std::string& sPdsg = "");
  std::int32_t GetProjConfigValue(const std::string& sKey, std::string& sRetValue, const std::string& sDefault = "",
                                  const std::string& sPdsg = "");
  std::int32_t DeleteProjConfigValue(const std::string& sKey, const std::string& sPdsg = "");

  // ---- tags (the application's tag database in the project's working folder)
  // The tags of the current tag type, and the tags the application has opened.
  clsUnitTags& UnitTags() const { return *unit_tags_; }
  clsSelectedTags& SelectedTags() const { return *selected_tags_; }
  // Loads the current tag type's tags; on an empty table creates the first
  // tag (sStartTag, trimmed, "Untitled" when empty).
  bool OpenTagData(std::string& sStartTag);
  bool OpenTagData();
  // Makes sure the tag database (dbTag) is open.
  bool InitTagData();
  // Trims the caller's variable; a non-empty value becomes DefTagType. Then
  // empties SelectedTags and reloads UnitTags from DefTagType.
  bool ResetTagType(std::string& sTagType);
  bool ResetTagType();
  // The definition of a field of a tag table (the cached object, see clsDataDef.h).
  clsDataDef& DataDef(const std::string& sField, const std::string& sTable = "");
  // A dynaset of the rows of tag type sTagType named sTagName, into rsTag.
  bool CreateTagRecordset(const std::string& sTagType, const std::string& sTagName, RsHandle& rsTag);
  // The tag operations answer RETURN_OK, RETURN_ERROR, RETURN_USER_CANCEL and
  // the extra codes -3 (the tag does not exist) and -4 (the new name is
  // taken); their text arguments are the caller's variables, trimmed in place.
  eProjectReturnCode NewTag(std::string& sTagType, std::string& sNewTagName, RsHandle& rsTag, bool bShowMsgs = true);
  eProjectReturnCode OpenTag(std::string& sTagType, std::string& sTagName, RsHandle& rsTag, bool bShowMsgs = true);
  eProjectReturnCode DeleteTag(std::string& sTagType, std::string& sTagName, bool bShowMsgs = true);
  eProjectReturnCode CopyTag(std::string& sTagType, std::string& sTagName, std::string& sNewTagName, RsHandle& rsTag,
                             bool bShowMsgs = true);
  eProjectReturnCode RenameTag(std::string& sTagType, std::string& sTagName, std::string& sNewTagName,
                               RsHandle& rsTag, bool bShowMsgs = true);
  eProjectReturnCode SaveTagAs(std::string& sTagType, const std::string& sTagName, std::string& sNewTagName,
                               RsHandle& rsTag, bool bShowMsgs = true);
  eProjectReturnCode SaveTag(RsHandle& rsTag, std::string& sTagName);
  eProjectReturnCode SaveAllTags(RsHandle& rsTag);
  // Tag names.
  std::int32_t AnyTagsToSelect(bool bShowNoTagsMsg = false, bool bUntitledOK = false);
  std::int32_t ValidateTagName(const std::string& sTagName);
  std::string GetAutoNewTagName(const std::string& sTagType, const std::string& sTagName, bool bIncludeParens = false);
  bool DoesTagExist(const clsUnitTags* Tags, const std::string& sTagName);
  bool ValidTag(const std::shared_ptr<clsUnitTag>& TagToValidate);
  bool RenameDuplicateTags(clsUnitTags* DuplicateTags);
  // Removes an application's published tags from the project database and
  // compacts it (empty sPdsg: this application; null Project: the current one).
  bool ClearExportTagData(const std::string& sPdsg = "", const ProjectRef& Project = nullptr);

  // ---- component-internal operations (used by the component's own modules and dialogs)
  // The tag database in the working folder (message when missing), in the
  // project folder (no message), and the project database (name emptied when missing).
  bool GetTempDbName(std::string& sName);
  bool GetMainDbName(std::string& sName);
  bool GetProjDbName(std::string& sName);
  // Project database structure: verified, and brought up to "1.3.0".
  bool VerifyDataStructure(const std::string& sProjectDb);
  bool UpdateConfigTable(DbHandle& db);
  bool UpdateTagDataTable(DbHandle& db);
  bool UpdateTagIndexTable(DbHandle& db);
  bool UpdateProjectDbRelationships(DbHandle& db);
  bool LoadUnitTagsCollection(const std::string& sTagTable, clsUnitTags& Tags);
  // Publishes the application's tags of the current tag type into TagIndex.
  bool IndexTags(const ProjectRef& Project);
  clsDataDef& DataDefLoad(const std::string& sField, const std::string& sTable);
  eProjectReturnCode CreateNewTagRecord(const std::string& sTagType, const std::string& sTagName, RsHandle& rsTag,
                                        bool bShowMsgs);
  eProjectReturnCode DeleteTagRecord(const std::string& sTagType, const std::string& sTagName, bool bShowMsgs);
  // Asks for a tag name in the name entry dialog (tag-name mode).
  eProjectReturnCode PromptForNewTagName(std::string& sName, const std::string& sTitle, bool bAllowOverwrite);
  bool CheckRenameDuplicateTags(const std::string& sTable);

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
  // Properties table of Project.mdb.
  bool LoadProjectProperties(const ProjectRef& project);
  bool SaveProjectProperties(const ProjectRef& project);
  // The project file PROJECT.QVP.
  bool SaveToProjectQVPFile(const ProjectRef& project, const std::string& sFileName = "");
  bool CreateProjectQVPFileAsString(const ProjectRef& project, std::string& sText);
  bool GetProjectAppsFromQVPFile(AppList& sApps, const std::string& sFile);
  bool GetProjectFileSpecsFromQVPFile(const std::string& sPdsg, std::vector<DataFileSpec>& specs,
                                      const std::string& sFile);
  bool GetProjectPropertiesFromQVPFile(const ProjectRef& project, const std::string& sFile);
  // Working copies and file staging.
  std::string GetWorkingProjectPath(const std::string& sBaseFolder);
  bool DeleteWorkFolder(const std::string& sFolder);
  bool CopyNewLocalProjectRoFile(const std::string& sDestFolder);
  bool CopyNewAppFilesToWorkArea(const std::string& sWorkFolder);
  bool CopyExistingAppFiles(const std::string& sFromFolder, const std::string& sToFolder);
  bool VerifyProjectData(const std::string& sProjectName, const std::string& sFolder,
                         const std::vector<DataFileSpec>& specs);
  // Registration in the projects database.
  bool RegisterAppData(const ProjectRef& project, const std::string& sPdsg = "");
  bool GetDataFromJobTable(const ProjectRef& project);
  // The recently-used list.
  clsMRUJobs& MRUJobs() const { return *mru_jobs_; }
  bool MRULoadList(DbHandle& db, const std::string& sPdsg = "");
  bool MRUAddToList(const ProjectRef& project);
  // Replaces the current project record (operations only).
  void SetCurrentProject(ProjectRef project) { project_ = std::move(project); }

  // ---- configuration values (user-wide, in the projects database)
  std::int32_t SetConfigValue(const std::string& sKey, const std::string& sValue, const std::string& sPdsg = "");
  std::int32_t GetConfigValue(const std::string& sKey, std::string& sRetValue, const std::string& sDefault = "",
                              const std::string& sPdsg = "");

  // ---- properties
  bool AppDirty() const { return app_dirty_; }
  void SetAppDirty(bool value) { app_dirty_ = value; }
  eOSType OSPlatform() const { return static_cast<eOSType>(os_platform_); }
  std::int32_t OSMajorVer() const { return os_major_; }
  std::int32_t OSMinorVer() const { return os_minor_; }
  std::string Pdsg() const;  // upper case
  const std::string& AppExePath() const { return app_exe_path_; }
  const std::string& AppName() const { return app_name_; }
  eDataStyle AppDataStyle() const { return static_cast<eDataStyle>(app_data_style_); }
  const std::string& AppVersion() const { return app_version_; }
  std::int16_t Brand() const { return static_cast<std::int16_t>(brand_); }
  bool gbExport() const;
  const std::string& TVXiiPath() const { return tvxii_path_; }
  const std::string& EnviroPath() const { return enviro_path_; }
  const std::string& TempPath() const { return temp_path_; }
  const std::string& CompanyLogo() const { return company_logo_; }
  const std::string& CompanyName() const { return company_name_; }
  const std::string& ConfigDb() const { return config_db_; }
  const std::string& ProjectDb() const { return project_db_; }
  bool UserIdRequired() const { return user_id_required_; }
  const std::string& NetUserID() const { return net_user_id_; }
  const std::string& TVXUserId() const { return tvx_user_id_; }
  clsDLLInfo& DLLInfo() const { return *dll_info_; }
  std::string ProjectWorkFolderName() const;  // "~" & upper-case Pdsg
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  RsHandle& TagIndexRs() { return tag_index_rs_; }
  void SetTagIndexRs(const RsHandle& rs);
  const std::string& TagIndexName() const { return tag_index_name_; }
  void SetTagIndexName(const std::string& value);  // empty keeps the old value
  const std::string& DataDefTbl() const { return data_def_tbl_; }
  void SetDataDefTbl(const std::string& value);  // trimmed; empty keeps the old value
  const std::string& DefTagType() const { return def_tag_type_; }
  // Trims the caller's variable in place; stores it when not empty.
  void SetDefTagType(std::string& value);
  std::int32_t TagMultiSelect() const { return tag_multi_select_; }
  void SetTagMultiSelect(std::int32_t value) { tag_multi_select_ = value; }
  std::int16_t TagNameLengthLimit() const { return tag_name_length_limit_; }
  void SetTagNameLengthLimit(std::int16_t value);  // 1..255, others ignored
  std::string AppDbName() const;  // AppExePath & "/" & upper-case Pdsg & "App.mdb"
  DbHandle& AppDB() { return app_db_; }
  const std::string& TagDbName() const { return tag_db_name_; }
  DbHandle& dbTag() { return db_tag_; }
  std::int32_t RETURN_NO_TAGS() const { return kReturnNoTags; }
  std::int32_t RETURN_TAG_ALREADY_EXISTS() const { return kReturnTagAlreadyExists; }
  bool SortProjectsList() const { return sort_projects_list_; }
  void SetSortProjectsList(bool value) { sort_projects_list_ = value; }

  // The environment copy of the read-only project template.
  std::string ProjectTemplatePath() const;

  // Until the project operations exist, tests stand in for the new-project
  // step of initialization through this hook.
  void SetProjectNewForTesting(std::function<eProjectReturnCode()> fn) { project_new_hook_ = std::move(fn); }

 private:
  void CopyFromStartupManager();
  // The tag steps of the project operations, which the tag work fills in;
  // each is called only for applications with tag support.
  bool TagStepNewProject();                        // the first "Untitled" tag
  bool TagStepAfterOpen();                         // reset the tag type, load tags, repair duplicates
  bool TagStepVerifyStructure(const ProjectRef& project);  // project database structure (project support)
  void TagStepClose();                             // empty the tag collections, close the tag database
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
  // Delete: whether every file the deletion removes or rewrites can be
  // changed (writable folder, no read-only file); the reason in message
  // when not. Nothing is deleted.
  bool DeletionPossible(const std::string& folder, const std::string& project_file, bool others,
                        std::string& message);
  // Steps of initialization and shutdown that the recently-used list and the
  // project operations fill in.
  void MRULoadListAtStartup(DbHandle& projects_db);
  void MRUSaveListAtExit();
  void CloseProjectAtExit();

  std::shared_ptr<clsMRUJobs> mru_jobs_;  // created with the object
  std::unique_ptr<clsSelectedTags> selected_tags_;
  std::unique_ptr<clsUnitTags> unit_tags_;
  std::unique_ptr<clsDataDef> data_def_;
  ProjectRef project_;
  std::unique_ptr<clsDLLInfo> dll_info_;
  std::unique_ptr<clsStartupManager> startup_;
  RsHandle tag_index_rs_;
  std::int32_t os_platform_ = 0;
  std::int32_t os_major_ = 0;
  std::int32_t os_minor_ = 0;
  std::string pdsg_;
  std::string tvxii_path_;
  std::string enviro_path_;
  std::string temp_path_;
  std::string app_exe_path_;
  std::string app_name_;
  std::int32_t app_data_style_ = NO_DATA;
  std::string app_version_;
  bool app_dirty_ = false;
  std::int32_t brand_ = VELTRAX;
  std::string company_logo_;
  std::string config_db_;
  std::string project_db_;
  std::string tag_db_name_;
  std::string company_name_;
  bool user_id_required_ = false;
  std::string net_user_id_;
  std::string tvx_user_id_;
  bool read_only_ = false;
  std::string def_tag_type_ = "TagData";
  std::string data_def_tbl_ = "DataDef";
  std::string tag_index_name_ = "TagIndex";
  std::int32_t tag_multi_select_ = 0;
  std::int16_t tag_name_length_limit_ = 255;
  DbHandle db_tag_;
  DbHandle app_db_;
  bool sort_projects_list_ = true;
  bool initialized_ = false;
  std::function<eProjectReturnCode()> project_new_hook_;
};

}  // namespace pds
