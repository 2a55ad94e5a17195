// A stand-alone list of the projects a user knows, read from a projects
// database the caller names: list the projects (all, or those one application
// keeps data in), see which applications have data in a project, and remember
// one project as the selection. An application creates one of these itself;
// it holds no database open between calls.
//
// Members never throw: a failure is reported to the user and answered with
// RETURN_ERROR. A failed listing leaves the caller's table as it was. Not
// thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pds/TextTable.h"
#include "pds/Types.h"

namespace pds {

class clsProjects {
 public:
  // True once SetSelectedProject has found a project; it stays true.
  bool Selected() const { return selected_; }

  // The projects database this list reads (a user's Prjxy<id>.mdb).
  const std::string& ProjectDb() const { return project_db_; }
  void SetProjectDb(const std::string& value);

  // The longest project name the projects database takes.
  std::int32_t JobNameMaxLength() const;

  // The default folder for new projects, as settled when the component started.
  std::string DefaultDataPath() const;

  const std::string& SelectedProjectName() const { return selected_name_; }
  void SetSelectedProjectName(const std::string& value);  // stored trimmed
  const std::string& SelectedProjectPath() const { return selected_path_; }
  std::int32_t SelectedProjectID() const { return selected_id_; }

  // An application designation the caller may keep here; stored trimmed, not used.
  void DefaultProjectType(const std::string& value);

  // A network user identifier the caller may keep here; not used.
  const std::string& NetUserID() const { return net_user_id_; }
  void SetNetUserID(const std::string& value);

  // Replaces sProjects with one row per project, ordered by name, columns
  // 0..3: name, key (decimal), folder, and an always empty fourth column;
  // with sPdsg only the projects that application keeps data in. No project
  // gives one row of four empty columns. The rows are also kept for
  // SetSelectedProject.
  eProjectReturnCode GetProjects(TextTable& sProjects, const std::string& sPdsg = "");

  // Replaces sApps with the applications whose data the named project holds,
  // as its project file lists them ("<name>.QVP" in the project folder when
  // present, else "PROJECT.QVP"): rows 0..n-1, columns 0..2: designation,
  // application name, and the designation's version digits (its fourth and
  // fifth characters). A project file without applications, an unknown
  // project or a failure leave one row of three empty columns.
  eProjectReturnCode GetAppsWithProjData(const std::string& sProjName, TextTable& sApps);

  // Selects the project whose key is sProjectName among the rows of the last
  // GetProjects (the last match wins). RETURN_OK when a project is selected
  // now or was selected before.
  eProjectReturnCode SetSelectedProject(std::int32_t sProjectName);

 private:
  struct Entry {
    std::string name;
    std::int32_t id = 0;
    std::string folder;
    std::string extra;  // always empty
  };
  // The service object's lookup by name, against this list's database.
  bool GetProjectInfo(const std::string& sJobName, std::int32_t& lJobID, std::string& sJobPath);

  std::string project_db_;
  std::string selected_name_;
  std::string selected_path_;
  std::int32_t selected_id_ = 0;
  std::string default_project_type_;
  bool selected_ = false;
  std::vector<Entry> entries_;
  std::string net_user_id_;
};

}  // namespace pds
