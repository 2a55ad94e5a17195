// The service object: the one public object an application creates and talks
// to. It holds the working state of one application (who it is, where the
// installation is, who the user is, the current project, its databases and
// tag settings) and carries every public operation of the component.
//
// Use: create it, call PDSInitialize once, use the other members, call
// ExitProgram before releasing it. Members other than the properties assume a
// successful PDSInitialize. Every operation runs to completion on the calling
// thread, shows its own dialogs and messages through the process-wide UI host,
// and reports its outcome as a return code: no member throws. Destroying the object releases what it owns (databases, collections, the
// current project record and with it the project's lock files) but neither
// saves nor closes the project; ExitProgram does.
#pragma once

#include <cstdint>
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
class clsExportTags;
class clsMRUJobs;
class clsSelectedTags;
class clsUnitTag;
class clsUnitTags;
class clsProject;
class Server;

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
  const ProjectRef& Project() const;  // the current project; null when there is none
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
  // Archives the current project into a ".QVA" file; sDestFile trimmed in place, empty: ask.
  eProjectReturnCode ProjectArchive();
  eProjectReturnCode ProjectArchive(std::string& sDestFile);
  // This application's data back from an archive (.QVA); empty sArchiveFile: ask for it.
  eProjectReturnCode ProjectRetrieve(const std::string& sArchiveFile = "", bool bShowMsgs = true);
  // A project of the earlier generation converted by the translator program at sTranslatorExePath.
  eProjectReturnCode ProjectRetrieveFromPreviousVersion(const std::string& sTranslatorExePath);
  std::string GetTempPathAndFileName(const std::string& sTempPath = "");
  bool IsAppDataRegistered(const std::string& sProject, const std::string& sPdsg = "");

  // ---- configuration values: user-wide (projects database) and project (project database)
  std::int32_t SetConfigValue(const std::string& sKey, const std::string& sValue, const std::string& sPdsg = "");
  std::int32_t GetConfigValue(const std::string& sKey, std::string& sRetValue, const std::string& sDefault = "",
                              const std::string& sPdsg = "");
  std::int32_t SetProjConfigValue(const std::string& sProjectDb, const std::string& sKey, const std::string& sValue,
                                  const std::string& sPdsg = "");
  std::int32_t GetProjConfigValue(const std::string& sKey, std::string& sRetValue, const std::string& sDefault = "",
                                  const std::string& sPdsg = "");
  std::int32_t DeleteProjConfigValue(const std::string& sKey, const std::string& sPdsg = "");

  // ---- tags (the application's tag database in the project's working folder)
  clsUnitTags& UnitTags() const;          // the tags of the current tag type
  clsSelectedTags& SelectedTags() const;  // the tags the application has opened
  // Loads the current tag type's tags; on an empty table creates the first
  // tag (sStartTag, trimmed, "Untitled" when empty).
  bool OpenTagData(std::string& sStartTag);
  bool OpenTagData();
  bool InitTagData();  // makes sure the tag database (dbTag) is open
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
  std::int32_t AnyTagsToSelect(bool bShowNoTagsMsg = false, bool bUntitledOK = false);
  std::int32_t ValidateTagName(const std::string& sTagName);
  std::string GetAutoNewTagName(const std::string& sTagType, const std::string& sTagName, bool bIncludeParens = false);
  bool DoesTagExist(const clsUnitTags* Tags, const std::string& sTagName);
  bool ValidTag(const std::shared_ptr<clsUnitTag>& TagToValidate);
  bool RenameDuplicateTags(clsUnitTags* DuplicateTags);
  // ---- export into the project database's TagIndex/TagData (empty sPdsg: this
  // application; null Project: the current one). Clear also compacts the file.
  bool ClearExportTagData(const std::string& sPdsg = "", const ProjectRef& Project = nullptr);
  bool ExportTagData(clsExportTags* ExportTags, const std::string& sPdsg = "", const ProjectRef& Project = nullptr,
                     bool bClearCurrentDataFirst = true);

  // ---- properties
  clsMRUJobs& MRUJobs() const;
  bool AppDirty() const;
  void SetAppDirty(bool value);
  eOSType OSPlatform() const;
  std::int32_t OSMajorVer() const;
  std::int32_t OSMinorVer() const;
  std::string Pdsg() const;  // upper case
  const std::string& AppExePath() const;
  const std::string& AppName() const;
  eDataStyle AppDataStyle() const;
  const std::string& AppVersion() const;
  std::int16_t Brand() const;
  bool gbExport() const;
  const std::string& TVXiiPath() const;
  const std::string& EnviroPath() const;
  const std::string& TempPath() const;
  const std::string& CompanyLogo() const;
  const std::string& CompanyName() const;
  const std::string& ConfigDb() const;
  const std::string& ProjectDb() const;
  bool UserIdRequired() const;
  const std::string& NetUserID() const;
  const std::string& TVXUserId() const;
  clsDLLInfo& DLLInfo() const;
  std::string ProjectWorkFolderName() const;  // "~" & upper-case Pdsg
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  RsHandle& TagIndexRs();
  void SetTagIndexRs(const RsHandle& rs);
  const std::string& TagIndexName() const;
  void SetTagIndexName(const std::string& value);  // empty keeps the old value
  const std::string& DataDefTbl() const;
  void SetDataDefTbl(const std::string& value);  // trimmed; empty keeps the old value
  const std::string& DefTagType() const;
  void SetDefTagType(std::string& value);  // trims the caller's variable in place; stores it when not empty
  std::int32_t TagMultiSelect() const;
  void SetTagMultiSelect(std::int32_t value);
  std::int16_t TagNameLengthLimit() const;
  void SetTagNameLengthLimit(std::int16_t value);  // 1..255, others ignored
  std::string AppDbName() const;                   // AppExePath & "/" & upper-case Pdsg & "App.mdb"
  DbHandle& AppDB();
  const std::string& TagDbName() const;
  DbHandle& dbTag();
  std::int32_t RETURN_NO_TAGS() const { return kReturnNoTags; }
  std::int32_t RETURN_TAG_ALREADY_EXISTS() const { return kReturnTagAlreadyExists; }
  bool SortProjectsList() const;
  void SetSortProjectsList(bool value);

 private:
  friend Server& ServerOf(clsProjectDataServer& server);
  friend const Server& ServerOf(const clsProjectDataServer& server);
  std::unique_ptr<Server> impl_;
};

}  // namespace pds
