// The startup manager: works out, once per initialization, everything the
// service object needs before it can serve an application: the program
// designation, the command-line overrides (/B brand, /U network user, /P
// program folder), the operating-system version, the installation's folders,
// the brand and its logo, what the configuration database says about the
// application, the user's identity and whether the template files are in
// place. PDSInitialize creates one, runs its sequence, copies the results and
// releases it.
//
// The class is also creatable by an application on its own, to use the user
// identity members: set TVXiiPath first, since the configuration database is
// found through that folder.
//
// Every member reports its own failures through the common error reporter (a
// message box with the member's name as title) and returns its failure value;
// none throws. A failed step leaves the fields it had already set as they
// are. SetPaths and SetBrandAndLogo each run at most once per object, so that
// a /P or /B switch on the command line wins over the later default calls.
//
// Single-threaded: use from the application's user-interface thread.
#pragma once

#include <memory>
#include <string>

#include "pds/Types.h"

namespace pds {

struct StartupFields;

class clsStartupManager {
 public:
  clsStartupManager();
  ~clsStartupManager();
  clsStartupManager(const clsStartupManager&) = delete;
  clsStartupManager& operator=(const clsStartupManager&) = delete;

  // ---- public members an application may use on their own
  const std::string& NetworkUserID() const;
  const std::string& TVXUserId() const;
  bool UserIdRequired() const;
  void SetTVXiiPath(const std::string& path);

  // Settles the user's ID ("000" when IDs are not required), confirming the
  // network user name with the user and registering a new user in the
  // configuration database. A name passed in skips the confirmation (the
  // name used is still NetworkUserID); an empty one comes back filled with
  // the confirmed name. RETURN_USER_CANCEL when the user gives up on the
  // confirmation, silently.
  eProjectReturnCode SetTVXUserID();
  eProjectReturnCode SetTVXUserID(std::string& sNetUserIDTemp);
  // Reads the registered ID of a network user without registering anyone:
  // "000" for an unknown user. An empty sNetUserID is filled with the login
  // name first.
  eProjectReturnCode GetTVXUserID(std::string& sTVXUserID);
  eProjectReturnCode GetTVXUserID(std::string& sTVXUserID, std::string& sNetUserID);

  // ---- the startup sequence, run by the service object
  // Runs every step in order and stops at the first failure (RETURN_ERROR,
  // after that step's message) or at the user's cancel of the user-ID
  // confirmation (RETURN_USER_CANCEL).
  eProjectReturnCode RunStartupSequence(const std::string& sAppPdsg, const std::string& sAppPath,
                                        const std::string& sCommandLine);

  // What the sequence worked out, for the service object to copy.
  const StartupFields& fields() const { return *fields_; }
  // The configuration loaders fill their part through this.
  StartupFields& mutable_fields() { return *fields_; }

  // ---- the steps of the sequence
  bool SetPdsg(const std::string& sPdsg);
  // Scans for "/" + letter + one separator + value; a value in "[...]" may
  // hold spaces. Unknown letters and empty values are ignored. False when a
  // /B or /P value is refused.
  bool ParseCommandLine(const std::string& sCommandLine);
  // Never fails; zeros when the system does not answer.
  bool QueryOsVersion();
  // Checks that sAppPath is <installation "TVX-ii">/<designation>/"Code",
  // names compared without regard to case, and sets the installation,
  // environment and temporary folders from it.
  bool SetPaths(const std::string& sAppPath);
  // sBrand empty keeps the brand in force; otherwise one of VELTRAX, DORNEL,
  // HALVORN, TORSK or EXPORT (brand 0 and the export flag), any case.
  bool SetBrandAndLogo(const std::string& sBrand);
  // Warns about a missing logo, requires the two templates, and creates the
  // user's projects database from the default copy (itself made from the
  // read-only template) when it is missing.
  bool OtherFilesInPlace();
  // True when the trimmed path names an existing folder.
  static bool FolderExists(const std::string& path);

  // ---- the user identity steps
  // The login name of the user running the application, after making the
  // program folder current and checking that it is on a fixed or network
  // drive.
  bool GetNetworkUserID(std::string& sNetUserID);
  // Asks the user to confirm (or type) the user ID until a registered one is
  // given, the user agrees to register a new one (RETURN_OK), or gives up
  // (RETURN_USER_CANCEL, name cleared).
  eProjectReturnCode ConfirmNetworkUserID(std::string& sNetUserID);

 private:
  std::unique_ptr<StartupFields> fields_;
};

}  // namespace pds
