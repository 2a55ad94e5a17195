// Working copies and file staging: the application's private working folder
// ("~" & designation) inside a project folder, or inside this process's own
// folder of the system temporary folder for a project that has no folder yet; creating the application's
// files there from the templates of its program folder; copying its data
// files between folders; making a new project database from the
// installation's template; checking that a project's data files are present;
// and the temporary file names the save and retrieve paths use.
//
// Every copy goes through the environment's CopyFile, which writes a
// temporary name and renames it into place, so a crash never leaves half a
// data file. Copies into a project folder are saves and are durable besides:
// each file is flushed to the disk before it replaces the saved one, and the
// folder once after the last, so a machine that stops mid-save also leaves
// every file at its old or its new content. A working folder is scratch space
// that the next open stages afresh, so staging skips the flushes and copies
// at full speed. None of these operations undoes partial work: files already
// copied stay, and the callers close the project or remove the working
// folder when a step fails. Each operation reports its own failures.
#include <string>
#include <vector>

#include "pds/db/db_helpers.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "ui/copy_progress.h"
#include "pds/UiHost.h"
#include "projects/project_store.h"
#include "platform/dir_search.h"
#include "platform/env.h"
#include "files/file_routines.h"
#include "projects/untitled_work_area.h"
#include "projects/unsaved_work.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

using platform::CurrentEnv;
using platform::DirEntry;
using platform::DirSearch;
using platform::Status;

// The buffer the temporary folder is read into; a longer folder is refused.
constexpr std::size_t kTempPathBuffer = 260;

constexpr const char* kCannotInit = "Cannot open this project because the project work folder could not be initialized.";

// The refusal of a working folder that is a link: emptying it or staging into
// it would act on whatever folder the link names.
std::string LinkInPlaceText(const std::string& work) {
  return std::string(kCannotInit) + "\r\n" +
         "The work folder is a symbolic link to another folder; it is never followed, so that folder is left as "
         "it is. Remove the link:  \r" +
         InBrackets(work);
}

bool EntryExists(const std::string& path, platform::FileAttributes* attributes) {
  return CurrentEnv()->GetAttributes(path, attributes).ok();
}

bool FolderExists(const std::string& path) {
  platform::FileAttributes attributes;
  return EntryExists(path, &attributes) && attributes.directory;
}

// Whether the directory search finds path under its own name (without regard
// to case): the test for "the file is there" that a name given with a
// different case still passes, as it does on the file systems the
// specifications were written for.
bool EntryNamed(const std::string& path, const std::string& name) {
  DirSearch search;
  DirEntry entry;
  const bool found = search.First(path, &entry).ok() && EqualsNoCase(entry.name, name);
  search.Close();
  return found;
}

// Whether copies into folder are saves (durable) rather than staging: every
// destination but the application's working folder is a project folder.
bool IsSaveDestination(const std::string& folder, const std::string& work_folder_name) {
  return !EqualsNoCase(GetLastPathPart(folder), work_folder_name);
}

// Keeps the changes a session left unsaved in work out of the fresh copy the
// open stages there: the folder moves aside and the user is told where.
// False, with message, when the changes are there but cannot be moved; the
// open then stops rather than overwrite them.
bool SetAsideUnsavedWork(const std::string& project_folder, const std::string& work, std::string& message) {
  const UnsavedWorkResult kept = pds::SetAsideUnsavedWork(project_folder, work);
  if (kept.kind == UnsavedWorkResult::kFailed) {
    SetLastOsError(kept.error);
    message = std::string(kCannotInit) + "\r\n" +
              "The work folder holds changes that were never saved to the project, and they could not be set "
              "aside; nothing in it was changed:  \r" +
              InBrackets(work);
    return false;
  }
  if (kept.kind == UnsavedWorkResult::kKeptAside) {
    Ui().MsgBox("The work folder of this project held changes that were never saved to the project (a save "
                "that failed, or a session that ended without closing). The project opens as it was last "
                "saved; the unsaved changes have been kept in the folder:\r" +
                    InBrackets(kept.kept_folder),
                vbExclamation, "Unsaved Changes Kept");
  }
  return true;
}

}  // namespace

std::string ProjectStore::GetWorkingProjectPath(const std::string& sBaseFolder) {
  ClearError();
  std::string message;
  try {
    const std::string name = ProjectWorkFolderName();
    std::string work;
    bool failed = false;
    if (sBaseFolder.empty()) {
      const std::string temp = CurrentEnv()->TempFolder();
      if (temp.empty()) {
        message = "Error creating project work area.  Windows Temp path was not found.";
        failed = true;
      } else if (temp.size() > kTempPathBuffer) {
        message = "ERROR - Could not create the new project work area because the Windows Temp path was too long.";
        failed = true;
      } else {
        // Each process keeps its untitled working folders apart from those
        // of other sessions of the same application and user.
        int error = 0;
        const std::string area = UntitledWorkArea(temp, &error);
        if (area.empty()) {
          SetLastOsError(error);
          failed = true;
        } else {
          work = AddBackslash(area) + name;
        }
      }
    } else if (!FolderExists(RemoveBackslash(sBaseFolder))) {
      message = "Project folder not found.\r\n" + InBrackets(sBaseFolder);
      failed = true;
    } else {
      work = AddBackslash(sBaseFolder) + name;
    }

    if (!failed) {
      platform::FileAttributes attributes;
      const bool exists = CurrentEnv()->GetLinkAttributes(work, &attributes).ok();
      if (exists && attributes.link) {
        message = LinkInPlaceText(work);
        failed = true;
      } else if (!exists) {
        Status s = CurrentEnv()->CreateFolder(work);
        // Another process preparing the same folder at the same moment is no failure.
        if (!s.ok() && s.code != platform::kErrAlreadyExists) {
          SetLastOsError(s.code);
          failed = true;
        }
      } else if (!attributes.directory || !EqualsNoCase(GetLastPathPart(work), name)) {
        message = std::string(kCannotInit) + "\r\n" +
                  std::string("A file with the same name as the work folder already exists:  ") + "\r" +
                  InBrackets(work);
        failed = true;
      } else if (!sBaseFolder.empty() && !SetAsideUnsavedWork(RemoveBackslash(sBaseFolder), work, message)) {
        failed = true;
      }
      if (!failed && exists && !CurrentEnv()->GetLinkAttributes(work, &attributes).ok()) {
        // The old folder went aside with the unsaved work: a new one takes its place.
        Status s = CurrentEnv()->CreateFolder(work);
        if (!s.ok() && s.code != platform::kErrAlreadyExists) {
          SetLastOsError(s.code);
          failed = true;
        }
      } else if (!failed && exists) {
        // A working folder left by an earlier session is reused, but never
        // with its old files: the caller stages a fresh copy into it. Read-only
        // files stay, as Windows would not delete them, and a file that cannot
        // be removed is copied over by that staging; only a link put in the
        // folder's place meanwhile stops the open.
        if (CurrentEnv()->EmptyFolder(work, true).code == platform::kErrIsLink) {
          message = LinkInPlaceText(work);
          failed = true;
        }
      }
      // Temporary files a killed save left in the project folder go too.
      if (!failed && !sBaseFolder.empty()) {
        (void)CurrentEnv()->RemoveStaleTempFiles(RemoveBackslash(sBaseFolder), nullptr);
      }
    }
    if (!failed) return work;
  } catch (...) {
    CatchToPending();
  }
  ShowError(message, vbCritical, "GetWorkingProjectPath()");
  return {};
}

bool ProjectStore::DeleteWorkFolder(const std::string& sFolder) {
  ClearError();
  if (sFolder.empty()) return false;
  return Guarded("DeleteWorkFolder()", vbCritical, false, [&] {
    platform::FileAttributes attributes;
    if (!CurrentEnv()->GetLinkAttributes(RemoveBackslash(sFolder), &attributes).ok()) return true;
    if (!attributes.link && !attributes.directory) return true;
    // The guard that keeps this operation from ever emptying a folder that
    // is not a working folder, whatever path a caller hands it.
    if (!EqualsNoCase(GetLastPathPart(sFolder), ProjectWorkFolderName())) {
      Ui().MsgBox("Attempting to delete an invalid folder.  The following folder is not a project work folder." +
                      std::string("\r") + InBrackets(sFolder),
                  vbCritical, "DeleteWorkFolder()");
      return false;
    }
    const std::string folder = RemoveBackslash(sFolder);
    // Emptied through the folder itself, never through a link: a link here
    // would have the files of some other folder deleted.
    Status emptied = CurrentEnv()->EmptyFolder(folder, false);
    if (emptied.code == platform::kErrIsLink) {
      Ui().MsgBox("Attempting to delete an invalid folder.  The following folder is a symbolic link, not a project "
                  "work folder; it is left as it is." +
                      std::string("\r") + InBrackets(sFolder),
                  vbCritical, "DeleteWorkFolder()");
      return false;
    }
    if (!emptied.ok()) {
      SetLastOsError(emptied.code);
      ShowError("", vbCritical, "DeleteWorkFolder()");
      return false;
    }
    // Whatever a killed save left beside the working folder goes with it.
    const std::string parent = RemoveBackslash(GetPathFolder(folder));
    if (!parent.empty() && !EqualsNoCase(AddBackslash(parent), AddBackslash(CurrentEnv()->TempFolder()))) {
      (void)CurrentEnv()->RemoveStaleTempFiles(parent, nullptr);
    }
    (void)RemoveFolder(folder, false);
    return true;
  });
}

bool ProjectStore::CopyNewLocalProjectRoFile(const std::string& sDestFolder) {
  ClearError();
  return Guarded("CopyNewLocalProjectRoFile()", vbCritical, false, [&] {
    const std::string copy = AddBackslash(sDestFolder) + "Project.mdb";
    // In a project folder the new database is part of a save, which
    // flushes that folder afterwards.
    if (bFileCopy(ProjectTemplatePath(), copy, IsSaveDestination(sDestFolder, ProjectWorkFolderName()))) {
      // The template is read-only on disk and so is its fresh copy; the
      // project database must be writable.
      Status s = CurrentEnv()->SetReadOnly(copy, false);
      if (s.ok()) {
        // The template may be older than this component: applications with
        // project support bring the new copy up to the current structure,
        // and a copy that cannot be brought up fails the operation (the
        // check has shown why).
        if ((app_data_style_ & PROJECT_SUPPORT) == 0 || VerifyDataStructure(copy)) return true;
      } else {
        SetLastOsError(s.code);
      }
    }
    // What failed is pending, or was shown where it failed.
    ShowError("", vbCritical, "CopyNewLocalProjectRoFile()");
    return false;
  });
}

bool ProjectStore::CopyNewAppFilesToWorkArea(const std::string& sWorkFolder) {
  ClearError();
  const std::string support = ContactSupportText();
  std::string message;
  bool failed = false;
  try {
    for (const DataFileSpec& spec : Shared().app_data_specs) {
      if (!spec.RequiredFlag || spec.CreateMethod != 1) continue;  // other methods: the application makes the file
      const std::string source = AddBackslash(app_exe_path_) + spec.SourceFileName;
      const std::string destination = AddBackslash(sWorkFolder) + spec.FileName;
      platform::FileAttributes attributes;
      if (!EntryExists(source, &attributes) || attributes.directory) {
        // Remembered, and the next files are still created: one missing
        // template must not leave the others uncreated. There is nothing to
        // copy, so the copy is not attempted.
        message = "Error:  The following application file is missing.\r\n" + InBrackets(source) + "\r\n" + support;
        failed = true;
        continue;
      }
      if (!bFileCopy(source, destination)) {
        failed = true;  // bFileCopy has shown why
        continue;
      }
      if (!EntryNamed(destination, spec.FileName)) {
        message = "Error:  The following new application file could not be created:\r\n" +
                  InBrackets(destination) + "\r\n" + support;
        failed = true;
      }
      if (!EntryExists(destination, &attributes)) {
        message = "Could not copy an application file to work area.\r\nFile:  " + InBrackets(destination);
        ShowError(message, vbCritical, "CopyNewAppFilesToWorkArea()");
        return false;
      }
      // Templates are read-only on disk; the application must be able to write its copy.
      Status s = CurrentEnv()->SetReadOnly(destination, false);
      if (!s.ok()) {
        SetLastOsError(s.code);
        ShowError("", vbCritical, "CopyNewAppFilesToWorkArea()");
        return false;
      }
    }
    if (!failed) return true;
  } catch (...) {
    CatchToPending();
  }
  ShowError(message, vbCritical, "CopyNewAppFilesToWorkArea()");
  return false;
}

bool ProjectStore::CopyExistingAppFiles(const std::string& sFromFolder, const std::string& sToFolder) {
  ClearError();
  Ui().SetWaitCursor(true);
  // No data file may be held open while it is copied: the next tag operation
  // reopens the tag database from wherever the working copy then is.
  ReleaseDataFiles();
  const bool durable = IsSaveDestination(sToFolder, ProjectWorkFolderName());
  std::uint64_t total = 0;
  for (const DataFileSpec& spec : Shared().app_data_specs) total += SizeOfFileSpec(spec.FileName, sFromFolder);
  CopyProgress progress(durable ? "Saving project files" : "Copying project files to the work area", total);
  bool copied_any = false;
  bool all_copied = true;
  for (const DataFileSpec& spec : Shared().app_data_specs) {
    bool copied = false;
    TryStatement([&] {
      copied = CopyFileSpec(spec.FileName, sFromFolder, sToFolder, spec.RequiredFlag, durable);
    });
    if (!copied) {
      // One file that cannot be copied does not keep the others back, but
      // the copy as a whole has failed: a save must not register a project
      // without its files, and an open must not stage a working copy that
      // the next save would take for the application's wish to delete them.
      ShowError("", vbExclamation, "CopyExistingAppFiles()");
      ClearError();
      all_copied = false;
    }
    copied_any = copied_any || copied;
  }
  if (durable && copied_any) {
    // One flush of the folder makes every rename of this save durable; a
    // folder that was never reached has been reported already.
    Status s = CurrentEnv()->SyncFolder(RemoveBackslash(sToFolder));
    if (!s.ok()) {
      SetLastOsError(s.code);
      ShowError("", vbExclamation, "CopyExistingAppFiles()");
      ClearError();
      all_copied = false;
    }
  }
  Ui().SetWaitCursor(false);
  return all_copied;
}

bool ProjectStore::VerifyProjectData(const std::string& sProjectName, const std::string& sFolder,
                                             const std::vector<DataFileSpec>& specs) {
  ClearError();
  Ui().SetWaitCursor(true);
  try {
    for (const DataFileSpec& spec : specs) {
      if (!spec.VerifyFlag) continue;
      const std::string path = AddBackslash(sFolder) + spec.FileName;
      if (!EntryNamed(path, spec.FileName)) {
        Ui().SetWaitCursor(false);
        Ui().MsgBox("Project '" + sProjectName + "' cannot be opened.  One or more data files is missing." + "\r" +
                        InBrackets(path) + LineBreaks(2) + ContactSupportText(),
                    vbCritical, "VerifyProjectData()");
        return false;
      }
    }
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, "VerifyProjectData()");
    Ui().SetWaitCursor(false);
    return false;
  }
  Ui().SetWaitCursor(false);
  return true;
}

std::string ProjectStore::GetTempPathAndFileName(const std::string& sTempPath) {
  ClearError();
  try {
    std::string folder = Trim(sTempPath);
    if (folder.empty()) {
      const std::string temp = CurrentEnv()->TempFolder();
      if (temp.empty() || temp.size() > kTempPathBuffer) {
        SetLastOsError(platform::kErrPathNotFound);
        ShowError("", vbExclamation, "clsProjectDataServer.GetTempPathAndFileName");
        return {};
      }
      folder = RemoveBackslash(temp);
    }
    std::string path;
    // The name carries this process's id, so that a file a killed process
    // left behind can be recognised and removed later.
    Status s = CurrentEnv()->CreateTempFile(folder, CurrentEnv()->TempFilePrefix("~QX"), &path);
    if (s.ok()) return path.substr(0, path.find('\0'));
    SetLastOsError(s.code);
  } catch (...) {
    CatchToPending();
  }
  ShowError("", vbExclamation, "clsProjectDataServer.GetTempPathAndFileName");
  return {};
}

}  // namespace pds
