// The steps of deleting a project that stand apart from the main sequence:
// the files a deletion removes, the check that all of them can go before the
// first one does, the failure texts that name the file and the cause, and
// finishing a deletion that was cut short after the project left the list.
#include "service/project_delete_steps.h"

#include "pds/PendingError.h"
#include "config/process_state.h"
#include "files/file_routines.h"
#include "pds/UiHost.h"
#include "platform/dir_search.h"
#include "platform/env.h"
#include "projects/deletion_marker.h"
#include "service/server.h"
#include "ui/messages.h"

namespace pds {

std::string DeleteFailure(const std::string& what, const std::string& path, int os_code) {
  std::string text = "Error Deleting Project." + LineBreaks(2) + what + "\r" + InBrackets(path);
  if (os_code != 0) text += LineBreaks(2) + GetSystemErrorText(os_code);
  return text;
}

std::vector<std::string> ErasableFiles(const std::vector<DataFileSpec>& specs, const std::string& folder) {
  std::vector<std::string> files;
  for (const DataFileSpec& spec : specs) {
    if (!spec.EraseFlag) continue;
    platform::DirSearch search;
    platform::DirEntry entry;
    for (platform::Status s = search.First(AddBackslash(folder) + spec.FileName, &entry); s.ok();
         s = search.Next(&entry)) {
      if (!entry.directory) files.push_back(AddBackslash(folder) + entry.name);
    }
    CloseFind(search);
  }
  return files;
}

bool DeleteFiles(const std::vector<std::string>& files, std::string& message) {
  for (const std::string& file : files) {
    platform::FileAttributes attributes;
    // Already gone (a deletion being finished): only its journals may be left.
    if (platform::CurrentEnv()->GetLinkAttributes(file, &attributes).ok()) {
      platform::Status s = platform::CurrentEnv()->DeleteFile(file);
      if (!s.ok()) {
        message = DeleteFailure("The following file could not be deleted:", file, s.code);
        return false;
      }
    }
    // A writer killed inside a transaction leaves the database's journal
    // beside it; with the database gone it is of no use, and it would keep
    // the folder from being removed.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) (void)platform::CurrentEnv()->DeleteFile(file + suffix);
  }
  return true;
}

std::string ProjectFileProblem(const std::string& project_file) {
  platform::FileAttributes attributes;
  if (!platform::CurrentEnv()->GetLinkAttributes(project_file, &attributes).ok()) return {};
  if (attributes.link) {
    return DeleteFailure("The project file cannot be used:", project_file, platform::kErrIsLink);
  }
  if (attributes.directory || attributes.special) {
    return DeleteFailure("The project file cannot be used:", project_file, platform::kErrNotRegularFile);
  }
  return {};
}

bool Server::DeletionPossible(const std::string& folder, const std::vector<std::string>& files,
                              std::string& message) {
  // The folder must take changes: a probe file is made and removed again.
  // Its name carries this process's id, so a probe left by a kill between
  // the two is recognised and swept as stale.
  std::string probe;
  platform::Env* env = platform::CurrentEnv();
  platform::Status s = env->CreateTempFile(RemoveBackslash(folder), env->TempFilePrefix("~QX"), &probe);
  if (s.ok()) s = platform::CurrentEnv()->DeleteFile(probe);
  if (!s.ok()) {
    message = DeleteFailure("The project cannot be deleted because its folder cannot be changed.", folder, s.code);
    return false;
  }
  for (const std::string& file : files) {
    platform::FileAttributes attributes;
    if (platform::CurrentEnv()->GetAttributes(file, &attributes).ok() && attributes.read_only) {
      message = DeleteFailure("The project cannot be deleted because the following file is read-only:", file, 0);
      return false;
    }
    // The mode bits do not stop the superuser; the folder's permission and
    // the file's immutable or append-only attribute stop everyone.
    s = platform::CurrentEnv()->CheckRemovable(file);
    // A file already gone (a deletion being finished) stops nothing.
    if (!s.ok() && s.code != 2 && s.code != 3) {
      message = DeleteFailure("The project cannot be deleted because the following file cannot be removed:", file,
                              s.code);
      return false;
    }
  }
  return true;
}

namespace {

// True when name is a working folder ("~" & designation) in project_folder:
// a real folder, never a link or a file under such a name.
bool IsLeftWorkFolder(const std::string& project_folder, const std::string& name) {
  if (name.size() < 2 || name.front() != '~' || name.find('/') != std::string::npos) return false;
  platform::FileAttributes attributes;
  return platform::CurrentEnv()->GetLinkAttributes(AddBackslash(project_folder) + name, &attributes).ok() &&
         attributes.directory && !attributes.link;
}

}  // namespace

void RemoveLeftWorkFolder(const std::string& project_folder, const std::string& name) {
  if (!IsLeftWorkFolder(project_folder, name)) return;
  const std::string path = AddBackslash(project_folder) + name;
  platform::Env* env = platform::CurrentEnv();
  if (env->EmptyFolder(path, false).ok()) (void)env->RemoveFolder(path);
}

namespace {

// The entries of folder other than "." and ".."; -1 when it cannot be listed.
int EntryCount(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  if (!platform::CurrentEnv()->ListFolder(folder, &entries).ok()) return -1;
  int count = 0;
  for (const auto& entry : entries) count += entry.name != "." && entry.name != ".." ? 1 : 0;
  return count;
}

}  // namespace

eProjectReturnCode Server::DeleteUnlistedProject(const std::string& name, bool bShowMsgs, std::string& message) {
  const std::string folder = DeletionLeftoverFolder(Shared().default_projects_folder, name);
  DeletionMarker marker;
  const bool marked = !folder.empty() && ReadDeletionMarker(folder, &marker) && IsSameText(Trim(marker.job_name), Trim(name));
  // Only a folder the deletion marked, or one left empty, is finished: files
  // in an unlisted folder without the mark may be a project someone still
  // means to list again.
  if (folder.empty() || (!marked && EntryCount(folder) != 0) || !ProjectRegisteredAt(folder).empty()) {
    message = "Error Deleting Project." + LineBreaks(2) + "There is no project named " + InBrackets(Trim(name)) +
              " in the projects list.";
    if (!folder.empty()) {
      message += "\r" + std::string("The folder of that name holds files no listed project uses; they are left as "
                                    "they are:") +
                 "\r" + InBrackets(folder);
    }
    return RETURN_ERROR;
  }
  if (bShowMsgs) {
    int answer = Ui().MsgBox("Project " + InBrackets(Trim(name)) +
                                 " is no longer listed, but a deletion of it was cut short and left its folder:" +
                                 "\r" + InBrackets(folder) + LineBreaks(2) + "Finish deleting it?",
                             vbYesNo | vbQuestion | vbDefaultButton2, "Delete Project");
    if (answer != vbYes) return RETURN_USER_CANCEL;
  }
  // The marker lists the deleted files and the working folder of the
  // application that deleted it, which a session killed with the project
  // open leaves behind.
  std::vector<std::string> files;
  std::vector<std::string> work_folders;
  for (const std::string& entry : marker.files) {
    if (IsLeftWorkFolder(folder, entry)) {
      work_folders.push_back(entry);
    } else {
      files.push_back(AddBackslash(folder) + entry);
    }
  }
  if (!DeletionPossible(folder, files, message) || !DeleteFiles(files, message)) return RETURN_ERROR;
  for (const std::string& work : work_folders) RemoveLeftWorkFolder(folder, work);
  // The mark goes last, so a finish cut short can itself be finished.
  platform::Status s = platform::CurrentEnv()->DeleteFile(AddBackslash(folder) + kDeletionMarkerName);
  if (!s.ok() && s.code != 2) {
    message = DeleteFailure("The following file could not be deleted:", AddBackslash(folder) + kDeletionMarkerName,
                            s.code);
    return RETURN_ERROR;
  }
  std::string final_message = "The deletion of project " + InBrackets(Trim(name)) + " has been finished.";
  (void)platform::CurrentEnv()->SyncFolder(RemoveBackslash(folder));
  const bool removed = RemoveFolder(folder, false);
  if (removed) (void)platform::CurrentEnv()->SyncFolder(GetPathFolder(RemoveBackslash(folder)));
  if (!removed) {
    ClearError();
    final_message += LineBreaks(2) +
                     "However, the project folder could not be removed because it may contain other files or "
                     "subfolders." +
                     LineBreaks(2) + "Project Folder:  " + InBrackets(folder);
  }
  if (bShowMsgs) Ui().MsgBox(final_message, vbInformation, "Delete Project");
  return RETURN_OK;
}

}  // namespace pds
