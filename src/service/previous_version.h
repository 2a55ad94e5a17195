// PreviousVersionRetriever: converts a project of the application's earlier
// generation into the current project. The user picks the earlier project's
// folder; the application's working folder is emptied and given fresh
// application files; then the external translator named by the caller fills
// it (clsTranslator). The project folder itself changes only when the user
// saves, so a failed or cancelled conversion is undone by loading the
// project again.
//
// The operation does not nest: the wait for the translator lets the UI host
// process events, and a second call arriving through them (a menu pressed
// again) answers RETURN_USER_CANCEL at once, without a dialog.
//
// One object per call; it holds a Server& for the call. Nothing here
// throws: failures are reported through the error reporter.
#pragma once

#include <string>

#include "pds/clsProjectDataServer.h"

namespace pds {

class Server;

// Where the folder dialog starts: the folder the earlier generation kept its
// projects in, C:\TVX-II\QBM32 with the drive root mapped to "/".
inline constexpr char kPreviousVersionFolder[] = "/TVX-II/QBM32";

class PreviousVersionRetriever {
 public:
  explicit PreviousVersionRetriever(Server& server) : server_(server) {}

  // The public operation: asks to save, then runs the worker; a failed
  // worker has the current project loaded again. Titled
  // "ProjectRetrieveFromPreviousVersion()".
  eProjectReturnCode ProjectRetrieveFromPreviousVersion(const std::string& sTranslatorExePath);

  // The worker: checks the translator, asks for the folder, prepares the
  // working folder and runs the translator. Titled "RetrieveFromPreviousVersion()".
  eProjectReturnCode RetrieveFromPreviousVersion(const std::string& sTranslatorExePath);

 private:
  // The chosen folder of the earlier project; empty when cancelled.
  std::string AskForFolder();

  Server& server_;
};

}  // namespace pds
