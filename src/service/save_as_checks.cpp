// What save as checks before it writes anything into a new project folder,
// and what it takes back when it fails there.
//
// Save as creates a project database, copies the working files and writes a
// project file into the folder it is given, each replacing a file of the
// same name. A folder that already belongs to a project would lose that
// project's files and leave two projects registered for one folder, so such
// a folder is refused, however it was chosen (the dialog or the caller's
// arguments), and so is a name the projects list cannot take. Because the
// folder held none of these files before, a save as that fails can remove
// every one of them again without touching anything it did not write.
#include <algorithm>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "engine/sql_text.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "platform/dir_search.h"
#include "platform/env.h"
#include "files/file_routines.h"
#include "projects/project_file.h"

namespace pds {

namespace {

constexpr const char* kTitle = "Error Saving Project";

// The files a project keeps in its folder besides the applications' own.
constexpr const char* kProjectFiles[] = {"PROJECT.QVP", "Project.mdb"};

// The first file of folder matching pattern; empty when none.
std::string FirstFileMatching(const std::string& folder, const std::string& pattern) {
  platform::DirSearch search;
  platform::DirEntry entry;
  std::string found;
  for (platform::Status s = search.First(AddBackslash(folder) + pattern, &entry); s.ok(); s = search.Next(&entry)) {
    if (!entry.directory) {
      found = entry.name;
      break;
    }
  }
  CloseFind(search);
  return found;
}

// Every pattern naming a file that belongs to a project: the project's own
// files and every data file of the shared and the calling application's
// specifications.
std::vector<std::string> ProjectFilePatterns() {
  std::vector<std::string> patterns(std::begin(kProjectFiles), std::end(kProjectFiles));
  for (const auto* specs : {&Shared().shared_data_specs, &Shared().app_data_specs}) {
    for (const DataFileSpec& spec : *specs) patterns.push_back(spec.FileName);
  }
  return patterns;
}

}  // namespace

std::string Server::ProjectRegisteredAt(const std::string& folder) {
  std::string name;
  DbHandle db;
  RsHandle rs;
  const std::string bare = RemoveBackslash(folder);
  const std::string sql = "SELECT sJobName FROM Job WHERE sJobPath = " + SqlTextLiteral(bare) +
                          " OR sJobPath = " + SqlTextLiteral(bare + "/");
  if (OpenDbAndRecordset(db, rs, project_db_, sql, db::dbOpenDynaset, true, true) == 0 &&
      CheckRecordsetValid(rs, false) && !rs->Eof()) {
    name = GetFieldValue(rs->Fields("sJobName")).AsString();
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return name;
}

bool Server::SaveAsTargetAccepted(const ProjectRef& project, bool check_folder) {
  const std::string& name = project->JobName();
  // The rules the save-as dialog applies to what the user types, for a
  // caller that passes the name itself.
  if (!CheckProjectName(name) || !ValidCharsInProjectName(name, JobNameLengthLimit())) return false;
  bool found = false;
  if (!DoesProjectExist(name, found)) return false;  // the lookup has shown why
  if (found) {
    ShowError("Project  '" + name + "'  already exists." + LineBreaks(1) + "Please enter a different name.",
              vbCritical, kTitle);
    return false;
  }
  if (!check_folder) return true;
  const std::string folder = project->JobPath();
  ClearInterruptedSaveAs(folder);
  const std::string empty_needed = "A folder must be empty to accept a newly created project.";
  for (const std::string& pattern : ProjectFilePatterns()) {
    const std::string file = FirstFileMatching(folder, pattern);
    if (!file.empty()) {
      ShowError("Invalid Project Folder.  The folder already holds a project file." + LineBreaks(0) +
                    InBrackets(AddBackslash(folder) + file) + LineBreaks(0) + empty_needed,
                vbCritical, kTitle);
      return false;
    }
  }
  const std::string owner = ProjectRegisteredAt(folder);
  if (!owner.empty()) {
    ShowError("Invalid Project Folder.  The folder belongs to project " + InBrackets(owner) + "." + LineBreaks(0) +
                  InBrackets(folder) + LineBreaks(0) + empty_needed,
              vbCritical, kTitle);
    return false;
  }
  return true;
}

void Server::RemoveFailedSaveAs(const std::string& folder) {
  // The project database and the data files may still be open.
  CloseDatabase(db_tag_);
  CloseRecordset(tag_index_rs_);
  for (const std::string& pattern : ProjectFilePatterns()) {
    for (std::string file = FirstFileMatching(folder, pattern); !file.empty();
         file = FirstFileMatching(folder, pattern)) {
      const std::string path = AddBackslash(folder) + file;
      (void)platform::CurrentEnv()->SetReadOnly(path, false);
      if (!platform::CurrentEnv()->DeleteFile(path).ok()) break;
    }
  }
}

namespace {

// Whether name is one of this component's temporary files: the hidden
// sibling a copy or an atomic write makes, or a temporary file name.
bool IsComponentTempName(const std::string& name) {
  auto ends_with = [&](const std::string& tail) {
    return name.size() > tail.size() && EqualsNoCase(name.substr(name.size() - tail.size()), tail);
  };
  return (name[0] == '.' && ends_with(".tmp")) || (name.size() > 3 && EqualsNoCase(name.substr(0, 3), "~QX") && ends_with(".TMP"));
}

bool MatchesAny(const std::vector<std::string>& patterns, const std::string& name) {
  for (const std::string& pattern : patterns) {
    if (platform::WildcardMatch(pattern, name)) return true;
  }
  return false;
}

}  // namespace

void Server::ClearInterruptedSaveAs(const std::string& folder) {
  const std::string bare = RemoveBackslash(folder);
  if (!ProjectRegisteredAt(bare).empty()) return;
  const std::vector<std::string> patterns = ProjectFilePatterns();
  const std::string lock_name = ProjectWorkFolderName() + ".PLF";
  std::vector<platform::DirEntry> entries;
  if (!platform::CurrentEnv()->ListFolder(bare, &entries).ok()) return;
  std::vector<std::string> written;  // the files save as writes, found here
  bool temp_files = false, lock = false, project_file = false;
  for (const platform::DirEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    platform::FileAttributes attributes;
    if (entry.directory || !platform::CurrentEnv()->GetLinkAttributes(AddBackslash(bare) + entry.name, &attributes).ok() ||
        attributes.link) {
      return;
    }
    // A database's journal is the database's: an open killed mid-write left it.
    const std::string journal = "-journal";
    const bool is_journal = entry.name.size() > journal.size() &&
                            EqualsNoCase(entry.name.substr(entry.name.size() - journal.size()), journal) &&
                            MatchesAny(patterns, entry.name.substr(0, entry.name.size() - journal.size()));
    if (IsComponentTempName(entry.name)) {
      temp_files = true;
    } else if (EqualsNoCase(entry.name, lock_name)) {
      lock = true;
    } else if (MatchesAny(patterns, entry.name) || is_journal) {
      written.push_back(entry.name);
      project_file = project_file || EqualsNoCase(entry.name, "PROJECT.QVP");
    } else {
      return;  // something a save as never writes: not ours to clear
    }
  }
  // A save as takes its lock file first and leaves it only when killed, and
  // writes the project database before any data file: without both, the
  // files are someone's, not a save as's.
  const bool has_database =
      std::any_of(written.begin(), written.end(), [](const std::string& n) { return EqualsNoCase(n, "Project.mdb"); });
  if (!lock || !has_database) return;
  if (project_file) {
    // A project file naming a listed project belongs to that project, even
    // in a folder the list does not name.
    std::string name;
    if (!ReadPPS("Project", "Project Name", name, AddBackslash(bare) + "PROJECT.QVP")) {
      ClearError();
      return;
    }
    bool found = false;
    if (!Trim(name).empty() && (!DoesProjectExist(Trim(name), found) || found)) return;
  }
  {
    // A lock with a live holder is a save as still running, here or elsewhere;
    // one whose holder died is taken over and released, which removes it.
    int handle = 0;
    if (!platform::CurrentEnv()->CreateLockFile(AddBackslash(bare) + lock_name, "", &handle).ok()) return;
    (void)platform::CurrentEnv()->ReleaseLockFile(handle);
  }
  if (temp_files) {
    (void)platform::CurrentEnv()->RemoveStaleTempFiles(bare, nullptr);
    entries.clear();
    if (!platform::CurrentEnv()->ListFolder(bare, &entries).ok()) return;
    for (const platform::DirEntry& entry : entries) {
      if (entry.name != "." && entry.name != ".." && IsComponentTempName(entry.name)) return;  // a writer is alive
    }
  }
  for (const std::string& name : written) {
    const std::string path = AddBackslash(bare) + name;
    (void)platform::CurrentEnv()->SetReadOnly(path, false);
    (void)platform::CurrentEnv()->DeleteFile(path);
  }
}

void Server::TakeBackSaveAs(const ProjectRef& project) {
  const std::string job = "(SELECT lJobID FROM Job WHERE sJobName = " + SqlTextLiteral(project->JobName()) + ")";
  DbHandle db;
  bool unregistered = OpenDb(db, project_db_, true, false) && TryStatement([&] {
    db->Execute("DELETE * FROM JobUsage WHERE lJobID IN  " + job, db::dbFailOnError);
    db->Execute("DELETE * FROM Job WHERE sJobName = " + SqlTextLiteral(project->JobName()), db::dbFailOnError);
  });
  CloseDatabase(db);
  if (unregistered) RemoveFailedSaveAs(project->JobPath());
  ShowError("Project  " + InBrackets(project->JobName()) + "  was not saved.  Its work folder could not be prepared in "
                "the new project folder, so the save was taken back and the current project is kept as it was." +
                (unregistered ? "" : "  The project could not be removed from the projects list again.") + "\r" +
                InBrackets(project->JobPath()),
            vbCritical, kTitle);
}

}  // namespace pds
