#include "service/project_archive.h"

#include <memory>
#include <vector>

#include "archive/zip_run.h"
#include "config/process_state.h"
#include "dialogs/frm_archive.h"
#include "files/file_routines.h"
#include "pds/PendingError.h"
#include "pds/Text.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "platform/env.h"
#include "service/server.h"
#include "ui/messages.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

// The save-file dialog's options: prompt before overwriting, hide the
// read-only box, path must exist, prompt to create, no read-only return,
// long file names.
constexpr long kArchiveDialogFlags = 0x20A806;

constexpr char kProjectFileName[] = "PROJECT.QVP";

// One path of the item list: in double quotes, followed by one blank.
std::string ItemEntry(const std::string& path) { return "\"" + path + "\" "; }

}  // namespace

std::string ArchiveFolder(const std::string& tvxii_path) { return AddBackslash(tvxii_path) + "Archives"; }

std::string NormalizeArchivePath(const std::string& path) { return path; }

eProjectReturnCode Server::ProjectArchive() {
  std::string dest;
  return ProjectArchive(dest);
}

eProjectReturnCode Server::ProjectArchive(std::string& sDestFile) {
  try {
    if (!ValidProject(project_)) {
      ShowError("Error - No current project object.", vbExclamation, "ProjectArchive()");
      return RETURN_ERROR;
    }
    sDestFile = Trim(sDestFile);
    ProjectArchiver archiver(*this);
    const eProjectReturnCode rc =
        sDestFile.empty() ? archiver.ArchiveProject(project_) : archiver.ArchiveProject2(project_, sDestFile);
    if (rc == RETURN_OK || rc == RETURN_USER_CANCEL) return rc;
  } catch (...) {
    CatchToPending();
  }
  ShowError("", vbExclamation, "ProjectArchive()");
  return RETURN_ERROR;
}

eProjectReturnCode ProjectArchiver::ArchiveProject(const ProjectRef& project) { return Run(project, nullptr); }

eProjectReturnCode ProjectArchiver::ArchiveProject2(const ProjectRef& project, std::string& dest) {
  return Run(project, &dest);
}

eProjectReturnCode ProjectArchiver::Run(ProjectRef project, std::string* dest) {
  const std::string title = dest ? "ArchiveProject2()" : "ArchiveProject()";
  return Guarded(title, vbCritical, RETURN_ERROR, [&]() -> eProjectReturnCode {
    return RunSteps(std::move(project), dest, title);
  });
}

bool ProjectArchiver::MustSave(const ProjectRef& project) {
  return project->ProjectDirty() || server_.AppDirty() || project->JobPath().empty() ||
         !server_.IsAppDataRegistered(project->JobName(), "");
}

std::string ProjectArchiver::ItemList(const std::string& folder) {
  const std::string base = AddBackslash(folder);
  std::string list = ItemEntry(base + "Project.mdb");
  // Entries are bare names and must be unique: a pattern that also matches
  // the project database or a file already listed adds nothing, and the
  // project folder's own project file never stands in for the fresh one.
  std::vector<std::string> taken = {"Project.mdb", kProjectFileName};
  for (const DataFileSpec& spec : Shared().app_data_specs) {
    if (!spec.ArchiveFlag) continue;
    // A pattern is expanded here; a specification that matches no file
    // (an optional file the application has not made yet) adds nothing.
    for (std::string name = Dir1(base + spec.FileName, 0); !name.empty(); name = Dir1("", 0)) {
      bool seen = false;
      for (const std::string& t : taken) seen = seen || IsSameText(t, name);
      if (seen) continue;
      taken.push_back(name);
      list += ItemEntry(base + name);
    }
  }
  return list;
}

eProjectReturnCode ProjectArchiver::RunSteps(ProjectRef project, std::string* dest, const std::string& title) {
  if (!project) {
    ShowError("There is no current project to archive.", vbCritical, title);
    return RETURN_ERROR;
  }
  if (MustSave(project)) {
    if (!dest) {
      const std::string name = InSingleQuotes(project->JobName());
      const std::string question = "Project " + name + " must be saved in order to archive its data." +
                                   LineBreaks(2) + "Save Changes to " + name + "?";
      if (Ui().MsgBox(question, vbOKCancel | vbQuestion | vbDefaultButton3, "Archive Project") != vbOK) {
        return RETURN_USER_CANCEL;
      }
    }
    const eProjectReturnCode saved = server_.ProjectSave();
    if (saved != RETURN_OK) {
      ShowError("", vbCritical, title);
      return saved;
    }
    // The first save of a project reopens it under a new record.
    if (server_.Project()) project = server_.Project();
  }

  const std::string folder = RemoveBackslash(project->JobPath());
  if (!IsFolder(folder)) {
    ShowError("An archive of this project cannot be created.  " + std::string("The project path is invalid.") +
                  LineBreaks(2) + "Project Name:  " + InBrackets(project->JobName()) + LineBreaks(1) +
                  "Project Path:  " + InBrackets(folder) + LineBreaks(2) + ContactSupportText(),
              vbCritical, title);
    return RETURN_ERROR;
  }

  // Hidden until the run starts; hidden and destroyed on every way out.
  auto host = std::make_unique<frmArchive>();
  std::string path;
  if (!dest) {
    const std::string archives = ArchiveFolder(server_.TVXiiPath());
    // A folder that cannot be made only means the dialog opens elsewhere.
    if (!IsFolder(archives)) (void)platform::CurrentEnv()->CreateFolder(archives);
    FileDialogRequest request;
    request.save = true;
    request.title = "Archive";
    request.default_ext = ".QVA";
    request.file_name = project->JobName();
    request.filter = kArchiveFileFilter;
    request.filter_index = 1;
    request.initial_folder = archives;
    request.flags = kArchiveDialogFlags;
    if (!Ui().FileDialog(request, &path) || Trim(path).empty()) return RETURN_USER_CANCEL;
    path = NormalizeArchivePath(path);
  } else {
    path = NormalizeArchivePath(*dest);
    *dest = path;
  }

  std::string project_file_text;
  if (!server_.CreateProjectQVPFileAsString(project, project_file_text)) {
    ShowError("", vbCritical, title);
    return RETURN_ERROR;
  }
  std::string items = ItemList(folder);
  // Decided by the destination's drive: only floppy drives A: and B: span
  // disks, and POSIX paths have neither, so this is always false here.
  const bool spanning = archive::UsesDiskSpanning(path);

  host->SetStatus("Archiving...");
  host->SetTitle("Archiving to " + path + " ...");
  if (!dest) host->ShowProgress();

  if (!project_file_text.empty()) {
    const std::string project_file = AddBackslash(project->WorkingJobPath()) + kProjectFileName;
    const platform::Status written = platform::CurrentEnv()->WriteFileAtomic(project_file, project_file_text);
    if (!written.ok()) {
      // Most often a full disk. The run would only find the project file
      // missing ("File not found"), so the real cause is reported here as a
      // failed archive write is, before anything of the archive exists.
      host->HideProgress();
      const std::int32_t code = archive::ZipResultCode(archive::OutputFailure(written.code));
      Ui().MsgBox(frmArchive::ErrorText(code), vbCritical, archive::ArchiveErrorTitle(code));
      ShowError("Error writing archive data.  Archive file not created.", vbCritical, title);
      return RETURN_ERROR;
    }
    items = ItemEntry(project_file) + items;
  }

  // The writer names the archive only when it is complete, so an archive of
  // the same name survives a failed run; the clean-up below therefore only
  // ever removes a file this run created.
  const bool existed = FileExists(path);
  const bool ok = host->Archive(path, items, spanning, true);
  host->HideProgress();
  host.reset();
  if (!ok) {
    if (!existed && FileExists(path)) (void)platform::CurrentEnv()->DeleteFile(path);
    ShowError("Error writing archive data.  Archive file not created.", vbCritical, title);
    return RETURN_ERROR;
  }
  if (!dest) {
    Ui().MsgBox("Archive complete." + LineBreaks(2) + InBrackets(project->JobName()) + " has been archived to " +
                    LineBreaks(1) + InBrackets(LCase(path)) + ".",
                vbInformation, "Archive Complete");
  }
  return RETURN_OK;
}

}  // namespace pds
