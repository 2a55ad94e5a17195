// ProjectRetriever: an application takes its own data back from a project
// archive (.QVA) into the current project. It reads the archive's project
// file from a temporary copy, checks the archive version and that the archive
// holds this application's data, shows what the archive holds (interactive
// retrieve), then replaces the application's files in the working folder with
// the archived ones. A never-saved project also takes over the archived
// name and properties. The project folder itself is never written: the
// retrieved data reach it only when the user saves.
//
// Protecting what is there: every entry this application takes is extracted,
// and so checked whole by the zip engine, into a staging folder inside the
// working folder BEFORE the working folder is emptied. A damaged or hostile
// archive is therefore refused while the working folder is still as it was,
// and the current project is left as it is (no reload from the project
// folder). Nothing is written outside the working folder (or, for a project
// without one, the system temporary folder that holds the temporary project
// file); the temporary file and the staging folder are removed on every exit.
//
// One object per call; it holds a Server& and the state of that one call.
// Nothing here throws: failures are reported through the error reporter.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pds/clsProjectDataServer.h"

namespace pds {

class Server;
class frmProject;
class frmArchive;

class ProjectRetriever {
 public:
  explicit ProjectRetriever(Server& server);
  ~ProjectRetriever();
  ProjectRetriever(const ProjectRetriever&) = delete;
  ProjectRetriever& operator=(const ProjectRetriever&) = delete;

  // The public operation: sArchiveFile empty asks for the archive.
  eProjectReturnCode ProjectRetrieve(const std::string& sArchiveFile, bool bShowMsgs);

  // The workers: interactive (file dialog and information dialog), and with
  // the archive given (hidden, messages only when show_msgs).
  eProjectReturnCode RetrieveProject(const ProjectRef& project);
  eProjectReturnCode RetrieveProject2(const ProjectRef& project, const std::string& archive, bool show_msgs);

 private:
  struct Archived;  // what the archive's project file says
  // The steps after the archive is chosen, shared by both workers: false
  // with the step's message in message_ on failure.
  bool ReadArchive(const std::string& archive, Archived& out);
  // The information dialog: its result (kProjectInfoRetrieve ...).
  int ShowInformation(const std::string& archive, const Archived& archived);
  bool HasThisApplication(const Archived& archived) const;
  eProjectReturnCode TakeData(const ProjectRef& project, const std::string& archive, const Archived& archived);
  bool CreateTempFile(const std::string& folder);
  bool StageEntries(const std::string& archive, const std::string& work);
  bool MoveStagedEntries(const std::string& work);
  // Removes the temporary file and the staging folder, when they exist.
  void CleanUp();
  // The worker's error exit: the message as each worker words it.
  // The start both ways share: the mode, and the zip host once there is a
  // project; false (message_ set to no_project) without one.
  bool Begin(const ProjectRef& project, bool interactive, bool show_msgs, const char* no_project);
  eProjectReturnCode ErrorExit();
  bool Interactive() const { return interactive_; }

  Server& server_;
  std::unique_ptr<frmArchive> host_;
  std::unique_ptr<frmProject> info_;
  bool interactive_ = true;
  bool show_msgs_ = true;
  std::string message_;    // the failed step's message
  std::string temp_file_;  // the temporary copy of the archive's project file
  std::string staging_;    // the folder the entries are checked and staged in
  bool work_touched_ = false;  // the working folder was emptied
};

}  // namespace pds
