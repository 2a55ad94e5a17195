// The project record: its defaults, the trimming rules of its properties, and
// the application lock files it holds for the project folder.
#include "pds/clsProject.h"

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "pds/UiHost.h"
#include "platform/env.h"
#include "base/date_text.h"
#include "files/file_routines.h"

namespace pds {

namespace {

constexpr int kSharingViolation = 32;
constexpr const char* kLockTitle = "LockProjectApp()";

// The name the lock file's notice gives the application: its name in the
// installed-applications list, else the calling application's own name.
std::string LockingAppName(const std::string& pdsg) {
  for (const InstalledApp& app : Shared().installed_apps) {
    if (EqualsNoCase(app.Pdsg, pdsg)) return app.Name;
  }
  return Shared().app_name;
}

// Why a lock file could not be made, in words a user can act on; the
// system's own text follows in the message.
// Access denied has three causes a user fixes in different places: the
// folder takes no new files, a lock file is left there that the folder does
// not let this user replace, or this user's own lock file was made read-only.
std::string AccessDeniedReason(const std::string& file) {
  platform::FileAttributes attributes;
  if (!platform::CurrentEnv()->GetLinkAttributes(file, &attributes).ok()) {
    return "Permission denied: this user may not create files in the project folder.";
  }
  if (!platform::CurrentEnv()->CheckRemovable(file).ok()) {
    return "Permission denied: a lock file left in the project folder cannot be written by this user, and the "
           "folder does not let this user replace it.";
  }
  if (attributes.read_only) {
    return "The lock file left in the project folder is read-only.  Remove it when no one has the project open.";
  }
  return "Permission denied: this user may not write the lock file left in the project folder.";
}

std::string LockFailureReason(int code, const std::string& file) {
  switch (code) {
    case platform::kErrIsLink:
      return "The lock file is a symbolic link.  It is never followed, so that the file it names is left as it is; "
             "remove the link.";
    case platform::kErrNotRegularFile:
      return "The lock file's name is taken by something that is not a file (a folder, device or pipe).";
    case 5:
      return AccessDeniedReason(file);
    case 19:
      return "The project folder is on a read-only file system.";
    case 112:
      return "There is no space left on the disk holding the project folder.";
    default:
      return {};
  }
}

}  // namespace

clsProject::clsProject() {
  try {
    job_date_ = GeneralDateText(platform::CurrentEnv()->Now());
  } catch (...) {
    // A record without a date is still a record; the date stays empty.
  }
}

clsProject::~clsProject() {
  // Releasing a lock file removes it, which is how the project's locks end.
  for (const auto& entry : lock_handles_) {
    try {
      platform::CurrentEnv()->ReleaseLockFile(entry.second);
    } catch (...) {
      // Destruction never reports; the kernel drops the lock with the process anyway.
    }
  }
  lock_handles_.clear();
}

// ---- properties: stored trimmed, so a stored single blank reads back empty

std::string clsProject::JobPath() const { return Trim(job_path_); }
std::string clsProject::DosJobPath() const { return Trim(dos_job_path_); }
std::string clsProject::JobName() const { return Trim(job_name_); }
std::string clsProject::JobNumber() const { return Trim(job_number_); }
std::string clsProject::JobDate() const { return Trim(job_date_); }
std::string clsProject::SalesPerson() const { return Trim(sales_person_); }
std::string clsProject::ContactName() const { return Trim(contact_name_); }
std::string clsProject::LastModified() const { return Trim(last_modified_); }
std::string clsProject::Notes() const { return Trim(notes_); }

void clsProject::SetJobName(const std::string& value) { TryStatement([&] { job_name_ = Trim(value); }); }
void clsProject::SetJobNumber(const std::string& value) { TryStatement([&] { job_number_ = Trim(value); }); }
void clsProject::SetJobDate(const std::string& value) { TryStatement([&] { job_date_ = Trim(value); }); }
void clsProject::SetSalesPerson(const std::string& value) { TryStatement([&] { sales_person_ = Trim(value); }); }
void clsProject::SetContactName(const std::string& value) { TryStatement([&] { contact_name_ = Trim(value); }); }
void clsProject::SetNotes(const std::string& value) { TryStatement([&] { notes_ = Trim(value); }); }

void clsProject::SetContactType(const std::string& value) {
  TryStatement([&] { contact_type_ = Trim(value).empty() ? std::string("(none)") : value; });
}

void clsProject::SetJobPath(const std::string& value) {
  TryStatement([&] {
    std::string path = Trim(value);
    if (path.empty()) {
      job_path_.clear();
      return;
    }
    job_path_ = path;
    project_db_path_ = path + "/" + "Project.mdb";
  });
}

void clsProject::SetDosJobPath(const std::string& value) { TryStatement([&] { dos_job_path_ = Trim(value); }); }
void clsProject::SetWorkingJobPath(const std::string& value) {
  TryStatement([&] { working_job_path_ = Trim(value); });
}
void clsProject::SetLastModified(const std::string& value) { TryStatement([&] { last_modified_ = Trim(value); }); }

// ---- locking

bool clsProject::LockProjectApp(const std::string& sPdsg) {
  ClearError();
  int handle = -1;
  bool locked = false;
  if (!TryStatement([&] {
    const std::string folder = JobPath();
    platform::FileAttributes attributes;
    if (folder.empty()) {
      ShowError("Project folder not specified.", vbExclamation, kLockTitle);
    } else if (!platform::CurrentEnv()->GetAttributes(folder, &attributes).ok() || !attributes.directory) {
      ShowError("Project folder not found.", vbExclamation, kLockTitle);
    } else {
      // Designations are one name whatever their case; the lock file's name
      // must be too, or "~pmp10.PLF" would not keep out a user of "~PMP10.PLF"
      // on a file system that tells the two apart.
      const std::string key = UCase(sPdsg);
      if (lock_handles_.count(key) != 0) {
        locked = true;
      } else {
        const std::string file = AddBackslash(folder) + "~" + key + ".PLF";
        const std::string content = "ATTENTION:  Project " + InBrackets(JobName()) + " is currently open with " +
                                    "'" + LockingAppName(sPdsg) + "'" + " by another user.";
        platform::Status s = platform::CurrentEnv()->CreateLockFile(file, content, &handle);
        if (s.ok()) {
          lock_handles_[key] = handle;
          handle = -1;
          locked = true;
        } else if (s.code == kSharingViolation) {
          Ui().MsgBox("Project is already in use by another user.", vbInformation, kLockTitle);
        } else {
          SetLastOsError(s.code);
          const std::string reason = LockFailureReason(s.code, file);
          ShowError("Project lock file could not be created." + LineBreaks(2) + (reason.empty() ? "" : reason + "\r\n") +
                        InBrackets(file),
                    vbExclamation, kLockTitle);
        }
      }
    }
  })) {
    ShowError("Project lock file could not be created.", vbExclamation, kLockTitle);
    locked = false;
  }
  // A handle taken but not kept (a failure after the create) is given back.
  if (handle >= 0) TryStatement([&] { platform::CurrentEnv()->ReleaseLockFile(handle); });
  ClearError();
  return locked;
}

}  // namespace pds
