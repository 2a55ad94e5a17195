#include "service/project_retrieve.h"

#include <cctype>

#include "dialogs/frm_archive.h"
#include "dialogs/frm_project.h"
#include "files/file_routines.h"
#include "pds/PendingError.h"
#include "pds/Text.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "platform/env.h"
#include "projects/project_file.h"
#include "service/server.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "ui/wait_cursor.h"

namespace pds {

namespace {

constexpr const char* kArchiveVersion = "AR002";
constexpr const char* kArchiveFilter = "TVX/Mersa Archive Files (*.QVA)|*.QVA|All Files (*.*)|*.*";
// File must exist, hide the read-only box, no read-only return, long names.
constexpr long kOpenArchiveFlags = 0x209004;

// How an application's line of the archive's application list is shown: the
// name, and unless it already ends in a digit, " v" and the version the last
// two characters of the designation make ("ABC12" gives " v1.2").
std::string AppDisplayText(const std::string& key, const std::string& value) {
  if (!value.empty() && std::isdigit(static_cast<unsigned char>(value.back()))) return value;
  if (key.size() < 2) return value;
  return value + " v" + key.substr(key.size() - 2, 1) + "." + key.substr(key.size() - 1);
}

// A chosen path in the drive-relative form ("C:.\x") would be expanded to
// that drive's current folder; POSIX paths have no drive letters, so a path
// is taken as it is here.
std::string NormalisePath(const std::string& path) { return path; }

}  // namespace

struct ProjectRetriever::Archived {
  std::string version;
  ProjectRef record = std::make_shared<clsProject>();
  std::vector<DataFileSpec> specs;
  AppList apps;
};

ProjectRetriever::ProjectRetriever(Server& server) : server_(server) {}

ProjectRetriever::~ProjectRetriever() {
  CleanUp();
  UnloadDialog(info_);
  UnloadDialog(host_);
}

eProjectReturnCode ProjectRetriever::ProjectRetrieve(const std::string& sArchiveFile, bool bShowMsgs) {
  constexpr const char* kTitle = "ProjectRetrieve()";
  eProjectReturnCode result = RETURN_ERROR;
  if (!TryStatement([&] {
    if (!server_.ValidProject(server_.Project())) {
      ShowError("No current project.", vbExclamation, kTitle);
    } else if (const eProjectReturnCode prompt = server_.PromptToSaveAndContinue(); prompt != RETURN_OK) {
      if (prompt == RETURN_USER_CANCEL) {
        result = RETURN_USER_CANCEL;
      } else {
        ShowError("", vbExclamation, kTitle);
      }
    } else {
      server_.ReleaseDataFiles();
      const std::string archive = Trim(sArchiveFile);
      const ProjectRef project = server_.Project();
      const eProjectReturnCode worker =
          archive.empty() ? RetrieveProject(project) : RetrieveProject2(project, archive, bShowMsgs);
      if (worker == RETURN_OK) {
        result = RETURN_OK;
        if ((server_.AppDataStyle() & TAG_SUPPORT) != 0 && !server_.ResetTagType()) {
          ShowError("", vbExclamation, kTitle);
          result = RETURN_ERROR;
        }
      } else if (worker == RETURN_USER_CANCEL) {
        result = RETURN_USER_CANCEL;
      } else {
        // The current project is re-established only when the retrieve had
        // begun replacing its files; a refused archive left them as they were.
        if (work_touched_) server_.RestoreCurrentProject();
        ClearError();
        ShowError("", vbExclamation, kTitle);
      }
    }
  })) {
    ShowError("", vbExclamation, kTitle);
    result = RETURN_ERROR;
  }
  CleanUp();
  UnloadDialog(info_);
  UnloadDialog(host_);
  if (!server_.Project()) server_.ProjectNew();
  Ui().SetWaitCursor(false);
  return result;
}

bool ProjectRetriever::Begin(const ProjectRef& project, bool interactive, bool show_msgs,
                             const char* no_project) {
  interactive_ = interactive;
  show_msgs_ = show_msgs;
  if (!project) {
    message_ = no_project;
    return false;
  }
  host_ = std::make_unique<frmArchive>();
  return true;
}

eProjectReturnCode ProjectRetriever::RetrieveProject(const ProjectRef& project) {
  if (!Begin(project, true, true, "Error - No current project object.")) return ErrorExit();
  info_ = std::make_unique<frmProject>();
  const std::string archives = AddBackslash(server_.TVXiiPath()) + "Archives";
  for (;;) {
    FileDialogRequest request;
    request.title = "Retrieve";
    request.default_ext = ".QVA";
    request.filter = kArchiveFilter;
    request.filter_index = 1;
    request.initial_folder = archives;
    request.flags = kOpenArchiveFlags;
    std::string chosen;
    if (!Ui().FileDialog(request, &chosen) || chosen.empty()) return RETURN_USER_CANCEL;
    const std::string archive = NormalisePath(chosen);

    std::string folder = RemoveBackslash(project->WorkingJobPath());
    if (folder.empty()) {
      const std::string temp = platform::CurrentEnv()->TempFolder();
      if (temp.size() <= 260) folder = RemoveBackslash(temp);
    }
    CleanUp();
    if (folder.empty() || !CreateTempFile(folder)) return ErrorExit();

    Archived archived;
    if (!ReadArchive(archive, archived)) return ErrorExit();
    const int choice = ShowInformation(archive, archived);
    if (choice == kProjectInfoBrowse) continue;
    if (choice != kProjectInfoRetrieve) return RETURN_USER_CANCEL;
    return TakeData(project, archive, archived);
  }
}

eProjectReturnCode ProjectRetriever::RetrieveProject2(const ProjectRef& project, const std::string& archive,
                                                      bool show_msgs) {
  if (!Begin(project, false, show_msgs, "Invalid Project object.")) return ErrorExit();
  temp_file_ = server_.GetTempPathAndFileName(project->WorkingJobPath());
  if (temp_file_.empty()) {
    message_ = "Temporary Project file could not be created.";
    return ErrorExit();
  }
  Archived archived;
  if (!ReadArchive(NormalisePath(archive), archived)) return ErrorExit();
  return TakeData(project, NormalisePath(archive), archived);
}

bool ProjectRetriever::CreateTempFile(const std::string& folder) {
  platform::Env* env = platform::CurrentEnv();
  std::string path;
  const platform::Status s = env->CreateTempFile(folder, env->TempFilePrefix("~QX"), &path);
  if (!s.ok()) {
    SetLastOsError(s.code);
    return false;
  }
  temp_file_ = path;
  return true;
}

bool ProjectRetriever::ReadArchive(const std::string& archive, Archived& out) {
  // The archive's project file lands in the temporary file: extracted into
  // the temporary file's folder under its name.
  host_->SetExtractAsName(GetLastPathPart(temp_file_));
  const bool extracted = host_->Extract(archive, GetPathFolder(temp_file_), "PROJECT.QVP", show_msgs_);
  host_->SetExtractAsName("");
  if (!extracted) return false;

  if (!ReadPPS("Project", "Master Archive Version", out.version, temp_file_) || Trim(out.version).empty()) {
    message_ = "Unable to determine archive version.";
    return false;
  }
  if (!EqualsNoCase(Trim(out.version), kArchiveVersion)) {
    message_ = "Invalid master archive version.   " + InBrackets(out.version) + LineBreaks(1) +
               "Master archive version must be:  " + InBrackets(kArchiveVersion);
    return false;
  }
  if (!server_.GetProjectPropertiesFromQVPFile(out.record, temp_file_)) return false;
  return server_.GetProjectFileSpecsFromQVPFile(server_.Pdsg(), out.specs, temp_file_) &&
         server_.GetProjectAppsFromQVPFile(out.apps, temp_file_);
}

int ProjectRetriever::ShowInformation(const std::string& archive, const Archived& archived) {
  frmProject& info = *info_;
  info.SetCaption("Retrieve");
  info.tabPages.SetSelectedItem(1);
  info.ClearApps();
  for (const auto& [key, value] : archived.apps) info.AddApp(AppDisplayText(key, value), key);
  info.SetArchiveVersion(archived.version);
  info.SetArchiveCreated(GetFileDateText(archive, kFileCreationTime));
  info.SetArchiveModified(GetFileDateText(archive, kFileLastWriteTime));
  info.SetProject(archived.record);
  info.Show();
  return info.Result();
}

bool ProjectRetriever::HasThisApplication(const Archived& archived) const {
  const std::string pdsg = server_.Pdsg();
  for (const auto& app : archived.apps) {
    if (UCase(app.first) == pdsg) return true;
  }
  return false;
}

eProjectReturnCode ProjectRetriever::TakeData(const ProjectRef& project, const std::string& archive,
                                              const Archived& archived) {
  WaitCursor wait;
  const std::string missing = server_.AppName() + " v" + server_.AppVersion() + " data does not exist in this archive.";
  if (!HasThisApplication(archived)) {
    if (!Interactive()) {
      message_ = missing;
      return ErrorExit();
    }
    Ui().MsgBox("No data has not been retrieved." + LineBreaks(2) + missing, vbExclamation, "Retrieve");
    return RETURN_ERROR;
  }

  // Emptying "*.*" of any folder but this application's working folder would
  // destroy someone's files: the folder's name must be the working folder's.
  const std::string work = RemoveBackslash(project->WorkingJobPath());
  if (work.empty() || !EqualsNoCase(GetLastPathPart(work), server_.ProjectWorkFolderName()) || !FileExists(work)) {
    message_ = "Attempting to delete an invalid folder.  The following folder is not a project work folder." +
               LineBreaks(0) + InBrackets(work);
    return ErrorExit();
  }

  UnloadDialog(info_);
  host_->SetStatus("Retrieving...");
  host_->SetTitle("Retrieving from " + archive + " ...");
  if (Interactive()) host_->ShowProgress();
  // Every entry this application takes is extracted (and so checked) before
  // the working folder loses anything.
  const bool staged = StageEntries(archive, work);
  host_->HideProgress();
  UnloadDialog(host_);
  if (!staged) return ErrorExit();

  // The temporary file goes with the emptying when it lives in the working
  // folder; it has been read.
  const std::string spec = AddBackslash(work) + (Interactive() ? std::string("*.*") : server_.Pdsg() + "*.*");
  work_touched_ = true;
  if (!DeleteFileSpec(spec) || !server_.CopyNewAppFilesToWorkArea(work)) return ErrorExit();

  if (project->JobPath().empty()) {
    const clsProject& from = *archived.record;
    server_.SetAppDirty(true);
    project->SetProjectDirty(true);
    project->SetJobName(from.JobName());
    project->SetJobNumber(from.JobNumber());
    project->SetJobDate(from.JobDate());
    project->SetContactName(from.ContactName());
    project->SetContactType(from.ContactType());
    project->SetSalesPerson(from.SalesPerson());
    project->SetLastModified(from.LastModified());
    project->SetNotes(from.Notes());
  }

  server_.SetAppDirty(true);
  if (!MoveStagedEntries(work) || !server_.VerifyProjectData(archived.record->JobName(), work, archived.specs)) {
    return ErrorExit();
  }
  CleanUp();
  ClearError();
  if (show_msgs_) {
    Ui().MsgBox(server_.AppName() + " v" + server_.AppVersion() + " data has been successfully retrieved.",
                vbInformation, "Retrieve");
  }
  return RETURN_OK;
}

bool ProjectRetriever::StageEntries(const std::string& archive, const std::string& work) {
  // A hidden folder inside the working folder: the emptying of the working
  // folder passes it by (names beginning with "." stay), and moving its
  // files into the working folder is a rename on the same volume.
  platform::Env* env = platform::CurrentEnv();
  const std::string base = AddBackslash(work) + ".retrieve-" + env->TempFilePrefix("");
  for (int n = 0; n < 100 && staging_.empty(); ++n) {
    const platform::Status s = env->CreateFolder(base + std::to_string(n));
    if (s.ok()) {
      staging_ = base + std::to_string(n);
    } else if (s.code != platform::kErrAlreadyExists) {
      SetLastOsError(s.code);
      return false;
    }
  }
  if (staging_.empty()) return false;
  return host_->Extract(archive, staging_, "\"" + server_.Pdsg() + "*.*\"", show_msgs_);
}

bool ProjectRetriever::MoveStagedEntries(const std::string& work) {
  platform::Env* env = platform::CurrentEnv();
  std::vector<platform::DirEntry> entries;
  platform::Status s = env->ListFolder(staging_, &entries);
  for (const platform::DirEntry& entry : entries) {
    if (!s.ok()) break;
    if (entry.directory) continue;
    s = env->RenameFile(AddBackslash(staging_) + entry.name, AddBackslash(work) + entry.name);
  }
  if (!s.ok()) SetLastOsError(s.code);
  return s.ok();
}

void ProjectRetriever::CleanUp() {
  platform::Env* env = platform::CurrentEnv();
  if (!temp_file_.empty()) {
    if (FileExists(temp_file_)) (void)env->DeleteFile(temp_file_);
    temp_file_.clear();
  }
  if (!staging_.empty()) {
    std::vector<platform::DirEntry> entries;
    if (env->ListFolder(staging_, &entries).ok()) {
      for (const platform::DirEntry& entry : entries) {
        if (!entry.directory) (void)env->DeleteFile(AddBackslash(staging_) + entry.name);
      }
    }
    (void)env->RemoveFolder(staging_);
    staging_.clear();
  }
}

eProjectReturnCode ProjectRetriever::ErrorExit() {
  if (Interactive()) {
    ShowError("Project data was not retrieved.  " + message_, vbExclamation, "RetrieveProject()");
  } else if (show_msgs_) {
    ShowError("No Project data was retrieved." + LineBreaks(1) + message_, vbExclamation,
              "clsProjectDataServer.RetrieveProject2");
  }
  message_.clear();
  return RETURN_ERROR;
}

// ---- the service's members

eProjectReturnCode Server::ProjectRetrieve(const std::string& sArchiveFile, bool bShowMsgs) {
  ProjectRetriever retriever(*this);
  return retriever.ProjectRetrieve(sArchiveFile, bShowMsgs);
}

}  // namespace pds
