// The project record: one project (job) in memory, its identity in the
// projects database, its folders and its descriptive properties. The service
// object holds the current project; the project operations fill it in, and
// applications read and edit the descriptive properties.
//
// A record also holds the open lock files of the applications it locked the
// project for; destroying the record releases them, which is how a project's
// locks end. Setters never fail. Single-threaded.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace pds {

class clsProject {
 public:
  clsProject();
  ~clsProject();
  clsProject(const clsProject&) = delete;
  clsProject& operator=(const clsProject&) = delete;

  // ---- public members
  bool ProjectDirty() const { return project_dirty_; }
  void SetProjectDirty(bool value) { project_dirty_ = value; }
  std::int32_t JobID() const { return job_id_; }
  const std::string& ProjectDbPath() const { return project_db_path_; }
  std::string JobPath() const;
  std::string DosJobPath() const;
  const std::string& WorkingJobPath() const { return working_job_path_; }
  std::string JobName() const;
  void SetJobName(const std::string& value);
  std::string JobNumber() const;
  void SetJobNumber(const std::string& value);
  std::string JobDate() const;
  void SetJobDate(const std::string& value);
  std::string SalesPerson() const;
  void SetSalesPerson(const std::string& value);
  std::string ContactName() const;
  void SetContactName(const std::string& value);
  // A value with any non-blank character is stored unchanged; a blank one
  // stores "(none)".
  const std::string& ContactType() const { return contact_type_; }
  void SetContactType(const std::string& value);
  std::string LastModified() const;
  std::string Notes() const;
  void SetNotes(const std::string& value);
  std::int32_t ProjectCategory() const { return project_category_; }
  void SetProjectCategory(std::int32_t value) { project_category_ = value; }

  // ---- for the project operations
  void SetJobID(std::int32_t value) { job_id_ = value; }
  // Stores the trimmed folder and derives ProjectDbPath = folder + "/Project.mdb";
  // a blank value empties JobPath and leaves ProjectDbPath as it was.
  void SetJobPath(const std::string& value);
  void SetDosJobPath(const std::string& value);
  void SetWorkingJobPath(const std::string& value);
  void SetLastModified(const std::string& value);

  // Creates the application's lock file in the project folder and keeps it
  // until the record is destroyed. Re-entrant per designation.
  bool LockProjectApp(const std::string& sPdsg);
  // The designations this record holds a lock for, with their lock handles.
  const std::map<std::string, int>& LockHandles() const { return lock_handles_; }

 private:
  std::map<std::string, int> lock_handles_;  // designation -> platform lock handle
  bool project_dirty_ = false;
  std::int32_t job_id_ = 0;
  std::string job_path_;
  std::string dos_job_path_;
  std::string working_job_path_;
  std::string job_name_ = "Untitled";
  std::string job_number_;
  std::string job_date_;
  std::string contact_name_;
  std::string contact_type_;
  std::string sales_person_;
  std::string last_modified_;
  std::string notes_;
  std::string project_db_path_;
  std::int32_t project_category_ = 0;
};

}  // namespace pds
