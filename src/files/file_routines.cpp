#include "files/file_routines.h"

#include <memory>

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "ui/copy_progress.h"
#include "pds/UiHost.h"
#include "platform/dir_search.h"
#include "platform/env.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

using platform::CurrentEnv;
using platform::DirEntry;
using platform::DirSearch;
using platform::Status;

// The text a failure shows for the error just recorded: the pending
// description when there is one, else the system's text of the code.
std::string FailureText(int code) {
  const PendingError& err = Err();
  if (err.number != 0 || !err.description.empty()) return err.description;
  return GetSystemErrorText(code);
}

std::unique_ptr<DirSearch>& Dir1Slot() {
  static std::unique_ptr<DirSearch> slot;
  return slot;
}

// Repeats a search step while the device is not ready and the user asks to
// try again.
template <class F>
Status RetryWhileNotReady(F&& step) {
  for (;;) {
    Status s = step();
    if (s.code != platform::kErrDeviceNotReady) return s;
    if (Ui().MsgBox("Device not ready.  Try Again?", vbYesNo + vbCritical, "Dir1()") != vbYes) return s;
  }
}

}  // namespace

void CloseFind(DirSearch& slot) {
  if (slot.is_open()) slot.Close();
}

bool bFileCopy(const std::string& source, const std::string& destination, bool durable) {
  return Guarded("bFileCopy()", vbExclamation, false, [&] {
    Status s = CurrentEnv()->CopyFile(source, destination, durable);
    if (s.ok()) return true;
    SetLastOsError(s.code);
    std::string text = FailureText(s.code) + "\r\n\n" + "Error copying file..." + "\r\n" + "From:  " + "\t" +
                       source + "\r" + "To:  " + "\t" + destination;
    Ui().MsgBox(text, vbExclamation, "bFileCopy()");
    ClearError();  // shown here; the caller only learns that the copy failed
    return false;
  });
}

bool CopyFileSpec(const std::string& spec, const std::string& from_folder, const std::string& to_folder,
                  bool must_exist, bool durable) {
  return Guarded("CopyFileSpec()", vbCritical, false, [&] {
    if (!IsFolder(from_folder)) {
      ShowError("Error copying file.  The following required folder was not found:\r\n" + InBrackets(from_folder),
                vbCritical, "CopyFileSpec()");
      return false;
    }
    if (!IsFolder(to_folder)) {
      ShowError("Error copying file.  The following destination folder was not found:\r\n" + InBrackets(to_folder),
                vbCritical, "CopyFileSpec()");
      return false;
    }
    const std::string from = AddBackslash(from_folder);
    const std::string to = AddBackslash(to_folder);
    DirSearch search;
    DirEntry entry;
    Status s = search.First(from + spec, &entry);
    bool copied_any = false;
    std::string folder_matched;  // a folder where a required file was looked for
    for (; s.ok(); s = search.Next(&entry)) {
      // Only files are copied; "." and ".." match "*.*".
      if (entry.directory) {
        if (folder_matched.empty() && entry.name != "." && entry.name != "..") folder_matched = from + entry.name;
        continue;
      }
      CopyProgress* progress = CopyProgress::Current();
      if (progress) progress->Starting(entry.name);
      if (!bFileCopy(from + entry.name, to + entry.name, durable)) {
        CloseFind(search);
        return false;
      }
      if (progress) progress->Done(entry.size);
      copied_any = true;
    }
    CloseFind(search);
    // Running out of matches (18) ends a successful listing and is not kept.
    if (copied_any || !must_exist) return true;
    if (!folder_matched.empty()) {
      ClearError();
      ShowError("Error copying file.  The following is a folder, not a file:\r\n" + InBrackets(folder_matched),
                vbCritical, "CopyFileSpec()");
      return false;
    }
    int code = s.code == platform::kErrNoMoreFiles ? 2 : s.code;
    ShowError(GetSystemErrorText(code) + "\r\n\n" + InBrackets(spec), vbCritical, "CopyFileSpec()");
    return false;
  });
}

std::uint64_t SizeOfFileSpec(const std::string& spec, const std::string& folder) {
  std::uint64_t total = 0;
  DirSearch search;
  DirEntry entry;
  for (Status s = search.First(AddBackslash(folder) + spec, &entry); s.ok(); s = search.Next(&entry)) {
    if (!entry.directory) total += entry.size;
  }
  CloseFind(search);
  return total;
}

bool DeleteFileSpec(const std::string& path_spec) {
  return Guarded("DeleteFileSpec()", vbCritical, false, [&] {
    if (!IsFolder(RemoveBackslash(GetPathFolder(path_spec)))) {
      ShowError("Path not found.", vbCritical, "DeleteFileSpec()");
      return false;
    }
    DirSearch search;
    DirEntry entry;
    for (Status s = search.First(Trim(path_spec), &entry); s.ok(); s = search.Next(&entry)) {
      if (entry.name.empty() || entry.name.front() == '.') continue;
      // Windows refuses to delete a read-only file; the bits are our own check
      // here, since the file system would let the owner of the folder unlink it.
      if (entry.directory || entry.read_only) continue;
      (void)CurrentEnv()->DeleteFile(AddBackslash(GetPathFolder(Trim(path_spec))) + entry.name);
    }
    CloseFind(search);
    return true;
  });
}

bool RemoveFolder(const std::string& folder, bool show_msgs) {
  return Guarded("RemoveFolder()", vbExclamation, false, [&] {
    platform::Env* env = CurrentEnv();
    platform::FileAttributes attributes;
    bool exists = env->GetAttributes(folder, &attributes).ok();
    std::string message;
    if (exists || !show_msgs) {
      (void)env->SetCurrentFolder("/");
      Status s = env->RemoveFolder(folder);
      // The shell needs no notification here: nothing caches the folder.
      if (s.ok()) return true;
      SetLastOsError(s.code);
      if (s.code == platform::kErrAccessDenied) {
        message =
            "Could not remove folder.  A folder must be empty before it can be removed.  The folder may contain "
            "other file(s) or subfolder(s).\r\n\n" +
            InBrackets(folder);
      } else {
        message = "\r\n\n" + GetSystemErrorText(s.code);
      }
    } else {
      message = "Cannot remove folder " + InBrackets(folder);
    }
    if (show_msgs) {
      Ui().MsgBox(message, vbExclamation, "RemoveFolder()");
      ClearError();
    }
    return false;
  });
}

std::string Dir1(const std::string& pattern, int attributes) {
  std::unique_ptr<DirSearch>& slot = Dir1Slot();
  return Guarded("Dir1()", vbCritical, std::string(), [&] {
    DirEntry entry;
    Status s;
    if (!pattern.empty()) {
      std::string full = pattern;
      // A trailing ":" names a drive on a lettered file system; here ":" is an
      // ordinary name character, so only a trailing "/" asks for a whole folder.
      if (full.back() == '/') full += "*.*";
      slot = std::make_unique<DirSearch>();  // closes any previous search
      s = RetryWhileNotReady([&] { return slot->First(full, &entry); });
    } else {
      if (!slot || !slot->is_open()) return std::string();
      s = RetryWhileNotReady([&] { return slot->Next(&entry); });
    }
    for (; s.ok(); s = RetryWhileNotReady([&] { return slot->Next(&entry); })) {
      if (!entry.directory || (attributes & kDirIncludeFolders) != 0) return entry.name;
    }
    CloseFind(*slot);
    return std::string();
  });
}

void ResetDir1() {
  std::unique_ptr<DirSearch>& slot = Dir1Slot();
  if (slot) CloseFind(*slot);
}

bool IsFolder(const std::string& path) {
  platform::FileAttributes attributes;
  return !path.empty() && CurrentEnv()->GetAttributes(path, &attributes).ok() && attributes.directory;
}

bool EntryExists(const std::string& path) {
  platform::FileAttributes attributes;
  return !path.empty() && CurrentEnv()->GetAttributes(path, &attributes).ok();
}

bool FileExists(const std::string& path) {
  return Guarded("FileExists()", vbExclamation, false, [&] {
    // Only a file name can be a pattern; a folder may have "*" or "?" in
    // its name like any other character.
    if (path.empty() || GetLastPathPart(path).find_first_of("*?") != std::string::npos) return false;
    platform::FileAttributes attributes;
    return CurrentEnv()->GetAttributes(path, &attributes).ok();
  });
}

bool IsFolderEmpty(const std::string& folder) {
  return Guarded("IsFolderEmpty()", vbExclamation, false, [&] {
    if (folder.empty()) return false;
    const std::string bare = RemoveBackslash(folder);
    if (!IsFolder(bare)) {
      Ui().MsgBox("Folder was not found.\r" + InBrackets(folder) +
                      "\r\nPlease select an empty folder or create a new folder for your project.",
                  vbExclamation, "New Project Folder");
      return false;
    }
    DirSearch search;
    DirEntry entry;
    for (Status s = search.First(AddBackslash(bare) + "*", &entry); s.ok(); s = search.Next(&entry)) {
      if (entry.name == "." || entry.name == ".." || entry.directory) continue;
      CloseFind(search);
      return false;
    }
    CloseFind(search);
    return true;
  });
}

// ---- paths and text

std::string AddBackslash(const std::string& path) {
  std::string t = Trim(path);
  if (!t.empty() && t.back() != '/') t.push_back('/');
  return t;
}

std::string RemoveBackslash(const std::string& path) {
  std::string t = Trim(path);
  if (t.size() > 1 && t.back() == '/') t.pop_back();
  return t;
}

std::string GetPathFolder(const std::string& path) {
  std::string t = Trim(path);
  std::size_t slash = t.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return t.substr(0, slash);
}

std::string GetLastPathPart(const std::string& path) {
  std::string t = RemoveBackslash(path);
  if (t == "/") return {};
  std::size_t slash = t.rfind('/');
  return slash == std::string::npos ? t : t.substr(slash + 1);
}

std::string StripNull(const std::string& text) { return Trim(text.substr(0, text.find('\0'))); }

bool IsSameText(const std::string& a, const std::string& b) { return UCase(Trim(a)) == UCase(Trim(b)); }

std::string ZeroPad(long number, int width) {
  if (width <= 0) return {};
  std::string padded = std::string(static_cast<std::size_t>(width), '0') + std::to_string(number);
  return padded.substr(padded.size() - static_cast<std::size_t>(width));
}

long GetMaxFileNameLength(const std::string& path) {
  return Guarded("GetMaxFileNameLength()", vbExclamation, 0L, [&] {
    platform::Env* env = CurrentEnv();
    std::string probe = Trim(path);
    if (probe.empty() || probe.front() != '/') probe = AddBackslash(env->CurrentFolder()) + probe;
    // The volume root always exists on a lettered drive; here the nearest
    // existing folder stands for the volume a new name would go to.
    platform::FileAttributes attributes;
    while (!env->GetAttributes(probe, &attributes).ok()) {
      std::string parent = GetPathFolder(probe);
      if (parent.empty() || parent == probe) break;
      probe = parent;
    }
    long length = env->MaxFileNameLength(probe);
    return length > 0 ? length : 0L;
  });
}

}  // namespace pds
