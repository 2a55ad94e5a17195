// The startup sequence and its steps: designation, command line, operating
// system version, installation paths, brand and logo, and the template files.
// The configuration read and the final projects-database check live with the
// configuration database; the user identity steps in user_identity.cpp.
#include "pds/clsStartupManager.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "config/config_database.h"
#include "pds/db/engine.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "config/startup_fields.h"
#include "pds/UiHost.h"
#include "platform/env.h"
#include "files/file_routines.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

using platform::CurrentEnv;
using platform::Env;

// The own name of the folder a path names, or empty when it names no folder.
// The path must exist as written: on a case-sensitive file system a path that
// differs in case names nothing, and every later file of the application
// would be looked for under it. A trailing "/" asks for the folder's
// contents, not the folder, and yields no name.
std::string FolderOwnName(const std::string& path) {
  if (Trim(path).empty() || path.back() == '/' || !IsFolder(path)) return {};
  return GetLastPathPart(path);
}

// A file (not a folder) of exactly this path exists. An empty logo file name
// leaves the installation folder itself as the "logo", which must count as
// missing.
bool IsExistingFile(const std::string& path) {
  if (!FileExists(path)) return false;
  platform::FileAttributes attributes;
  return CurrentEnv()->GetAttributes(path, &attributes).ok() && !attributes.directory;
}

// The real path of the folder `name` of the installation folder, found
// without regard to case (an exact match wins), or empty. The environment and
// temporary folders are named by lower-cased paths, which on a case-sensitive
// file system need not name anything even though the folders exist: the
// installation's own location may hold capitals. The installation folder is
// already known by its real name, so only its own entries are looked at;
// `entries` keeps them for the next folder asked about.
// `list_error` receives the code of a listing that failed.
std::string FindInstallationFolder(const std::string& installation, const std::string& name,
                                   std::vector<platform::DirEntry>* entries, int* list_error) {
  if (entries->empty()) {
    platform::Status listed = CurrentEnv()->ListFolder(installation, entries);
    *list_error = listed.code;
    if (!listed.ok()) return {};
  }
  std::string real;
  for (const platform::DirEntry& e : *entries) {
    if (!e.directory) continue;
    if (e.name == name) return installation + "/" + e.name;
    if (real.empty() && EqualsNoCase(e.name, name)) real = e.name;
  }
  return real.empty() ? std::string() : installation + "/" + real;
}

// The folder on the way to path that this user may not enter (no search
// permission), or empty when the path is missing for another reason. The
// real path is kept, so the user sees the folder to fix.
std::string DeniedFolderOn(const std::string& path) {
  for (std::string::size_type slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    platform::FileAttributes attributes;
    platform::Status s = CurrentEnv()->GetAttributes(prefix, &attributes);
    if (s.code == 5) return RemoveBackslash(GetPathFolder(prefix));
    if (!s.ok() || slash == std::string::npos) return {};
  }
}

}  // namespace

clsStartupManager::clsStartupManager() : fields_(std::make_unique<StartupFields>()) {}
clsStartupManager::~clsStartupManager() = default;

const std::string& clsStartupManager::NetworkUserID() const { return fields_->network_user_id; }
const std::string& clsStartupManager::TVXUserId() const { return fields_->tvx_user_id; }
bool clsStartupManager::UserIdRequired() const { return fields_->user_id_required; }
void clsStartupManager::SetTVXiiPath(const std::string& path) { fields_->tvxii_path = path; }

eProjectReturnCode clsStartupManager::RunStartupSequence(const std::string& sAppPdsg, const std::string& sAppPath,
                                                         const std::string& sCommandLine) {
  try {
    if (!SetPdsg(sAppPdsg)) return RETURN_ERROR;
    if (!ParseCommandLine(sCommandLine)) return RETURN_ERROR;
    QueryOsVersion();
    if (!SetPaths(sAppPath)) return RETURN_ERROR;
    if (!SetBrandAndLogo("")) return RETURN_ERROR;
    if (!GetTVXConfigData(*fields_)) return RETURN_ERROR;
    eProjectReturnCode user = SetTVXUserID();
    if (user != RETURN_OK) return user;
    if (!OtherFilesInPlace()) return RETURN_ERROR;
    if (!CheckProjectsDatabase(*fields_)) return RETURN_ERROR;
    return RETURN_OK;
  } catch (...) {
    // The sequence itself ignores errors: a step that broke has failed.
    CatchToPending();
    return RETURN_ERROR;
  }
}

bool clsStartupManager::SetPdsg(const std::string& sPdsg) {
  return Guarded("SetPdsg()", vbCritical, false, [&] {
    if (sPdsg.empty()) {
      ShowError("Invalid program designation(Pdsg) - not specified.  " + InBrackets(sPdsg), vbCritical,
                "SetPdsg()");
      return false;
    }
    fields_->pdsg = sPdsg;
    // The application's working folders ("~" + designation) are scratch
    // space the next open stages afresh: their databases need not flush the
    // removal of each journal, which saved databases must. Those of untitled
    // projects, in the temporary folder, are removed with their process's
    // folder after a crash, so nothing there needs flushing at all.
    db::DBEngine().SetDurabilityTest([work = "~" + sPdsg](const std::string& folder) {
      using Durability = db::Engine::Durability;
      if (!EqualsNoCase(GetLastPathPart(folder), work)) return Durability::kSaved;
      const std::string temp = CurrentEnv()->TempFolder();
      const bool untitled = !temp.empty() && folder.rfind(temp, 0) == 0;
      return untitled ? Durability::kThrowaway : Durability::kScratch;
    });
    return true;
  });
}

bool clsStartupManager::ParseCommandLine(const std::string& sCommandLine) {
  return Guarded("ParseCommandLine()", vbCritical, false, [&] {
    const std::string& text = sCommandLine;
    std::size_t i = 0;
    while (i < text.size()) {
      if (text[i] != '/') {
        ++i;
        continue;
      }
      // "/", the letter and the separator after it, whatever that is.
      char letter = i + 1 < text.size() ? text[i + 1] : '\0';
      i = std::min(text.size(), i + 3);
      bool bracketed = i < text.size() && text[i] == '[';
      if (bracketed) ++i;
      std::string value;
      // A "]" ends the value but stays in the text, skipped later as an
      // ordinary character; an unbalanced "[" runs to the end of the text.
      while (i < text.size() && text[i] != ']' && (bracketed || text[i] != ' ')) value += text[i++];
      if (!value.empty() && value[0] == '[') value.erase(0, 1);
      if (value.empty()) continue;
      switch (letter) {
        case 'B':
        case 'b':
          if (!SetBrandAndLogo(value)) return false;
          break;
        case 'U':
        case 'u':
          fields_->network_user_id = value;
          break;
        case 'P':
        case 'p':
          if (!SetPaths(value)) return false;
          break;
        default:
          break;
      }
    }
    return true;
  });
}

bool clsStartupManager::QueryOsVersion() {
  try {
    platform::OsVersion v = CurrentEnv()->GetOsVersion();
    fields_->os_platform = static_cast<std::int16_t>(v.platform);
    fields_->os_major = v.major;
    fields_->os_minor = v.minor;
  } catch (...) {
    fields_->os_platform = 0;
    fields_->os_major = 0;
    fields_->os_minor = 0;
  }
  return true;
}

bool clsStartupManager::SetPaths(const std::string& sAppPath) {
  StartupFields& f = *fields_;
  if (f.paths_set) return true;
  f.paths_set = true;
  const char* kTitle = "SetPaths()";
  return Guarded(kTitle, vbCritical, false, [&] {
    auto fail = [&](const std::string& message) {
      ShowError(message, vbCritical, kTitle);
      return false;
    };
    if (sAppPath.empty()) {
      return fail("Invalid Application Path.  Application path is missing." + LineBreaks(1) +
                  ContactSupportText());
    }
    const std::string expected = LCase("../TVX-ii/" + f.pdsg + "/Code");
    if (!EqualsNoCase(Trim(FolderOwnName(sAppPath)), "Code")) {
      const std::string denied = DeniedFolderOn(sAppPath);
      if (!denied.empty()) {
        return fail("Invalid Application Path.  The following folder cannot be read (permission denied):" +
                    LineBreaks(1) + InBrackets(denied) + LineBreaks(2) + ContactSupportText());
      }
      return fail("Invalid Application Path.  Path does not exist.  " + InBrackets(sAppPath) + LineBreaks(2) +
                  ContactSupportText());
    }
    f.app_exe_path = sAppPath;

    const std::string parent = GetPathFolder(sAppPath);
    if (parent.empty()) return fail(ContactSupportText());
    if (!EqualsNoCase(Trim(GetLastPathPart(parent)), Trim(f.pdsg))) {
      return fail("Invalid Application Path.  Application must exist in folder " + LineBreaks(1) +
                  InBrackets(expected) + LineBreaks(2) + ContactSupportText());
    }

    const std::string installation = GetPathFolder(parent);
    if (installation.empty()) return fail(ContactSupportText());
    f.tvxii_path = RemoveBackslash(installation);
    if (!EqualsNoCase(Trim(GetLastPathPart(f.tvxii_path)), "TVX-ii")) {
      return fail("Invalid Application Path.  Application path must consist of " + LineBreaks(1) +
                  InBrackets(expected) + LineBreaks(2) + ContactSupportText());
    }

    std::vector<platform::DirEntry> entries;
    auto required_folder = [&](const std::string& name, std::string* out) {
      const std::string lower = LCase(f.tvxii_path + "/" + name);
      *out = lower;
      int list_error = 0;
      std::string real =
          IsFolder(lower) ? lower : FindInstallationFolder(f.tvxii_path, name, &entries, &list_error);
      if (real.empty() && list_error == 5) {
        // The folder may well be there: the installation folder cannot be
        // listed to find it under its real name.
        return fail("A required project folder cannot be found because the installation folder cannot be read "
                    "(permission denied)." +
                    LineBreaks(1) + InBrackets(f.tvxii_path) + LineBreaks(2) + ContactSupportText());
      }
      if (real.empty()) {
        return fail("A required project folder was not found." + LineBreaks(1) + InBrackets(lower) +
                    LineBreaks(2) + ContactSupportText());
      }
      *out = real;
      return true;
    };
    return required_folder("Enviro", &f.enviro_path) && required_folder("Temp", &f.temp_path);
  });
}

bool clsStartupManager::FolderExists(const std::string& path) {
  try {
    return !Trim(path).empty() && IsFolder(Trim(path));
  } catch (...) {
    return false;
  }
}

bool clsStartupManager::SetBrandAndLogo(const std::string& sBrand) {
  StartupFields& f = *fields_;
  if (f.brand_run || f.brand_set) return true;
  f.brand_run = true;
  f.brand_set = true;
  const char* kTitle = "SetBrandAndLogo()";
  return Guarded(kTitle, vbCritical, false, [&] {
    Shared().export_flag = false;
    if (!sBrand.empty()) {
      const std::string word = UCase(sBrand);
      if (word == "VELTRAX") {
        f.brand = VELTRAX;
      } else if (word == "DORNEL") {
        f.brand = DORNEL;
      } else if (word == "HALVORN") {
        f.brand = HALVORN;
      } else if (word == "TORSK") {
        f.brand = TORSK;
      } else if (word == "EXPORT") {
        f.brand = Export;
        Shared().export_flag = true;
      } else {
        ShowError(std::string("The Brand specified on the command line is not a ") + "valid brand.  " +
                      LineBreaks(1) + "Please check the property settings for this application.",
                  vbCritical, kTitle);
        return false;
      }
    }
    switch (f.brand) {
      case VELTRAX: f.logo_file = "LOGO-V.WMF"; break;
      case DORNEL: f.logo_file = "LOGO-D.BMP"; break;
      case HALVORN: f.logo_file = "LOGO-HN.BMP"; break;
      case TORSK: f.logo_file = "LOGO-T.BMP"; break;
      default: f.logo_file.clear(); break;
    }
    return true;
  });
}

bool clsStartupManager::OtherFilesInPlace() {
  StartupFields& f = *fields_;
  const char* kTitle = "OtherFilesInPlace()";
  return Guarded(kTitle, vbExclamation, false, [&] {
    if (!IsExistingFile(f.CompanyLogoPath())) {
      // Only a warning: the application runs without its logo.
      ShowError("Manufacturer logo file was not found." + LineBreaks(1) + f.CompanyLogoPath() + LineBreaks(2) +
                    ContactSupportText(),
                vbInformation, kTitle);
    }
    auto not_found = [&](const std::string& path) {
      ShowError("File not found." + LineBreaks(1) + InBrackets(path) + LineBreaks(1) + ContactSupportText(),
                vbExclamation, kTitle);
      return false;
    };
    if (!IsExistingFile(f.ProjectTemplatePath())) return not_found(f.ProjectTemplatePath());
    f.projects_db_file = "Prjxy" + f.tvx_user_id + ".mdb";
    if (!IsExistingFile(f.ProjectsDbTemplatePath())) return not_found(f.ProjectsDbTemplatePath());
    if (!IsExistingFile(f.ProjectsDbDefaultPath())) {
      if (!bFileCopy(f.ProjectsDbTemplatePath(), f.ProjectsDbDefaultPath())) return false;
      // The template is installed read-only; the default copy is what new
      // users' databases are made from, and each of those must be writable.
      platform::Status s = CurrentEnv()->SetReadOnly(f.ProjectsDbDefaultPath(), false);
      if (!s.ok()) {
        SetLastOsError(s.code);
        return false;
      }
    }
    // Only a missing database is made from the default. Something else of
    // that name (a folder, a FIFO) cannot be copied over and must not be
    // removed: the projects database check that follows names it.
    platform::FileAttributes entry;
    if (CurrentEnv()->GetAttributes(f.ProjectDbPath(), &entry).code == 2) {
      return bFileCopy(f.ProjectsDbDefaultPath(), f.ProjectDbPath());
    }
    return true;
  });
}

}  // namespace pds
