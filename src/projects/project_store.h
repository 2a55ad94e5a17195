// The project layer's part of the service object's state and work: the
// current project record, the recently-used list, and the routines over the
// project's files and the user's projects database (project file, working
// copies, locks, registration, configuration values, the projects list).
//
// It stands on AppState (who the application is, where the installation is)
// and knows nothing of tags, dialogs or the public operations above it; the
// operations that ask the user live in the service layer.
//
// Single-threaded; nothing here throws: failures are reported through the
// error reporter and come back as the routine's failure value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/app_state.h"
#include "pds/clsProjectDataServer.h"
#include "config/process_state.h"

namespace pds {

class clsMRUJobs;

class ProjectStore : public AppState {
 public:
  ProjectStore();
  ~ProjectStore() override;

  // Called before the application's data files are copied: the layers above
  // close what they hold open in the working folder.
  virtual void ReleaseDataFiles() {}

  // The current project; null when there is none.
  const ProjectRef& Project() const { return project_; }
  // Replaces the current project record (operations only).
  void SetCurrentProject(ProjectRef project) { project_ = std::move(project); }
  clsMRUJobs& MRUJobs() const { return *mru_jobs_; }

  // ---- projects list
  eProjectReturnCode ProjectCount(std::int32_t& lNumberOfProjects, const std::string& sPdsg = "");
  bool DoesProjectExist(const std::string& sJobName, bool& bFound);
  bool GetProjectInfo(const std::string& sJobName, std::int32_t& lJobID, std::string& sJobPath);

  // ---- the record and its lock
  bool ValidProject(const ProjectRef& ProjectToValidate) const;
  bool LockProject(const ProjectRef& Project = nullptr);

  // ---- configuration values: user-wide (projects database) and project (project database)
  std::int32_t SetConfigValue(const std::string& sKey, const std::string& sValue, const std::string& sPdsg = "");
  std::int32_t GetConfigValue(const std::string& sKey, std::string& sRetValue, const std::string& sDefault = "",
                              const std::string& sPdsg = "");
  std::int32_t SetProjConfigValue(const std::string& sProjectDb, const std::string& sKey, const std::string& sValue,
                                  const std::string& sPdsg = "");
  std::int32_t GetProjConfigValue(const std::string& sKey, std::string& sRetValue, const std::string& sDefault = "",
                                  const std::string& sPdsg = "");
  std::int32_t DeleteProjConfigValue(const std::string& sKey, const std::string& sPdsg = "");

  // Project database structure: verified, and brought up to "1.3.0".
  bool VerifyDataStructure(const std::string& sProjectDb);
  bool UpdateConfigTable(DbHandle& db);
  bool UpdateTagDataTable(DbHandle& db);
  bool UpdateTagIndexTable(DbHandle& db);
  bool UpdateProjectDbRelationships(DbHandle& db);

  // The project database (name emptied when missing).
  bool GetProjDbName(std::string& sName);

  // ---- Properties table of Project.mdb
  bool LoadProjectProperties(const ProjectRef& project);
  bool SaveProjectProperties(const ProjectRef& project);

  // ---- the project file PROJECT.QVP
  bool SaveToProjectQVPFile(const ProjectRef& project, const std::string& sFileName = "");
  bool CreateProjectQVPFileAsString(const ProjectRef& project, std::string& sText);
  bool GetProjectAppsFromQVPFile(AppList& sApps, const std::string& sFile);
  bool GetProjectFileSpecsFromQVPFile(const std::string& sPdsg, std::vector<DataFileSpec>& specs,
                                      const std::string& sFile);
  bool GetProjectPropertiesFromQVPFile(const ProjectRef& project, const std::string& sFile);

  // ---- working copies and file staging
  std::string GetWorkingProjectPath(const std::string& sBaseFolder);
  bool DeleteWorkFolder(const std::string& sFolder);
  bool CopyNewLocalProjectRoFile(const std::string& sDestFolder);
  bool CopyNewAppFilesToWorkArea(const std::string& sWorkFolder);
  bool CopyExistingAppFiles(const std::string& sFromFolder, const std::string& sToFolder);
  bool VerifyProjectData(const std::string& sProjectName, const std::string& sFolder,
                         const std::vector<DataFileSpec>& specs);
  std::string GetTempPathAndFileName(const std::string& sTempPath = "");

  // ---- registration in the projects database and the recently-used list
  bool IsAppDataRegistered(const std::string& sProject, const std::string& sPdsg = "");
  bool RegisterAppData(const ProjectRef& project, const std::string& sPdsg = "");
  bool GetDataFromJobTable(const ProjectRef& project);
  bool MRULoadList(DbHandle& db, const std::string& sPdsg = "");
  bool MRUAddToList(const ProjectRef& project);

 protected:
  std::shared_ptr<clsMRUJobs> mru_jobs_;  // created with the object
  ProjectRef project_;
};

}  // namespace pds
