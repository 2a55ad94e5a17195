// Archiving the current project into one ".QVA" file: a standard zip of the
// freshly built project file PROJECT.QVP, the project database Project.mdb
// and every data file of the calling application whose specification is
// marked for archiving, all under their bare names.
//
// A ProjectArchiver lives for one ProjectArchive call and holds the server
// whose current project it archives. A project that must be saved first is
// saved (after a question when the destination is to be asked for). The zip
// host window exists only during the run and is destroyed on every exit.
//
// What a failure leaves behind: no new archive file (the writer names the
// file only once it is complete), an older archive of the same name as it
// was, and the project unchanged except for a save the user agreed to and
// the rewritten PROJECT.QVP of the working folder. Nothing here throws.
#pragma once

#include <string>

#include "pds/clsProjectDataServer.h"

namespace pds {

class Server;

// The save-file dialog's filter for archives, shared with retrieval.
inline constexpr char kArchiveFileFilter[] = "TVX/Mersa Archive Files (*.QVA)|*.QVA|All Files (*.*)|*.*";

// The installation's archive folder: TVXiiPath + "/Archives".
std::string ArchiveFolder(const std::string& tvxii_path);

// A chosen archive path in its full form. A drive-relative path ("C:.\x",
// relative to that drive's current folder) exists only where drive letters
// do; POSIX paths never have that form, so the path is returned unchanged.
std::string NormalizeArchivePath(const std::string& path);

class ProjectArchiver {
 public:
  explicit ProjectArchiver(Server& server) : server_(server) {}

  // Asks for the destination with the save-file dialog, after offering to
  // save the project when it must be saved; shows "Archive Complete" at the
  // end. Errors are reported titled "ArchiveProject()".
  eProjectReturnCode ArchiveProject(const ProjectRef& project);
  // Archives to dest (normalised and handed back) without a dialog, saving
  // the project at once when it must be saved; no completion message. Errors
  // are reported titled "ArchiveProject2()".
  eProjectReturnCode ArchiveProject2(const ProjectRef& project, std::string& dest);

 private:
  // The two workers' common steps; dest null asks for the destination.
  eProjectReturnCode Run(ProjectRef project, std::string* dest);
  eProjectReturnCode RunSteps(ProjectRef project, std::string* dest, const std::string& title);
  bool MustSave(const ProjectRef& project);
  // The quoted item list of Project.mdb and the archive-marked data files of
  // folder, in specification order (project file not included).
  static std::string ItemList(const std::string& folder);

  Server& server_;
};

}  // namespace pds
