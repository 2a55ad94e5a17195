// The user's identity: the login name of whoever runs the application,
// confirmed by the user, mapped to a three-character ID registered in the
// configuration database's UserRegistration table. The ID names the user's
// own projects database, so that several users can share one installation.
#include <cstdio>
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "engine/sql_text.h"
#include "pds/PendingError.h"
#include "config/startup_fields.h"
#include "pds/UiHost.h"
#include "pds/clsStartupManager.h"
#include "platform/env.h"
#include "files/file_routines.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

using platform::CurrentEnv;

// Registration numbers from here on cannot be written in three hexadecimal
// digits without colliding with "FFF"; the table is full.
constexpr long kFirstRefusedIndex = 4095;

std::string RegistrationQuery(const std::string& network_user_id) {
  return std::string("SELECT * FROM UserRegistration") + " WHERE " + "sNetworkUserID" + " = " +
         SqlTextLiteral(Trim(network_user_id));
}

// "000" with its rightmost digits replaced by the upper-case hexadecimal form
// of the registration number: 26 gives "01A".
std::string UserIdFromIndex(long index) {
  char hex[32];
  std::snprintf(hex, sizeof hex, "%lX", static_cast<unsigned long>(index));
  std::string id = std::string("000") + hex;
  return id.substr(id.size() - 3);
}

// The message for a failed login-name query, by the system error code of the
// failure.
std::string NetworkErrorText(int code) {
  switch (code) {
    case ERROR_NOT_LOGGED_ON:
      return "You are not logged onto the network.";
    case ERROR_NOT_CONNECTED:
      return std::string("The following device specified is not a redirected device ") +
             "or a connected network name.";
    case ERROR_NO_NETWORK:
      return "No network was found.";
    case ERROR_MORE_DATA:
      return "Network user ID was too long.";
    case ERROR_NO_NET_OR_BAD_PATH:
      return "No connection recognized for this local name.";
    default:
      return "A network error occurred.";
  }
}

}  // namespace

eProjectReturnCode clsStartupManager::SetTVXUserID() {
  std::string none;
  return SetTVXUserID(none);
}

eProjectReturnCode clsStartupManager::SetTVXUserID(std::string& sNetUserIDTemp) {
  StartupFields& f = *fields_;
  DbHandle db;
  RsHandle rs;
  std::string message;
  try {
    f.tvx_user_id = "000";
    if (!f.user_id_required) return RETURN_OK;

    bool ok = true;
    if (f.network_user_id.empty()) {
      std::string name;
      ok = GetNetworkUserID(name);
      if (ok) f.network_user_id = name;
    }
    if (ok && sNetUserIDTemp.empty()) {
      sNetUserIDTemp = f.network_user_id;
      eProjectReturnCode confirmed = ConfirmNetworkUserID(sNetUserIDTemp);
      if (confirmed == RETURN_USER_CANCEL) return RETURN_USER_CANCEL;
      if (confirmed != RETURN_OK || sNetUserIDTemp.empty()) return RETURN_ERROR;
      f.network_user_id = sNetUserIDTemp;
    }
    // The table is opened exclusively so that two users registering at the
    // same moment cannot be given the same number's row twice.
    if (ok) ok = OpenDbAndRecordset(db, rs, f.ConfigDbPath(), RegistrationQuery(f.network_user_id),
                                    db::dbOpenDynaset, true, false) == 0;
    if (ok) {
      f.tvx_user_id.clear();
      if (rs->Eof()) {
        rs->AddNew();
        long index = static_cast<long>(rs->Fields("lIndex").Value().AsLong());
        if (index >= kFirstRefusedIndex) {
          // The row is abandoned with the record set; its number stays used.
          message = std::string("User Registration table is full.  ") +
                    "No additional users can be added at this time." + LineBreaks(2) + ContactSupportText();
          ok = false;
        } else {
          const std::string id = UserIdFromIndex(index);
          rs->Fields("sNetworkUserID").SetValue(Variant(f.network_user_id));
          rs->Fields("sTVXUserID").SetValue(Variant(id));
          rs->Update();
          f.tvx_user_id = id;
        }
      } else {
        f.tvx_user_id = GetFieldValue(rs->Fields("sTVXUserID")).AsString();
        if (Trim(f.tvx_user_id).empty()) {
          message = "ERROR:  " + InBrackets(f.network_user_id) +
                    "  was not properly registered as an TVX network user." + LineBreaks(2) +
                    ContactSupportText();
          ok = false;
        }
      }
    }
    if (ok) {
      CloseRecordset(rs);
      CloseDatabase(db);
      return RETURN_OK;
    }
  } catch (...) {
    CatchToPending();
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  ShowError(message, vbCritical, "SetTVXUserID()");
  return RETURN_ERROR;
}

eProjectReturnCode clsStartupManager::GetTVXUserID(std::string& sTVXUserID) {
  std::string none;
  return GetTVXUserID(sTVXUserID, none);
}

eProjectReturnCode clsStartupManager::GetTVXUserID(std::string& sTVXUserID, std::string& sNetUserID) {
  DbHandle db;
  RsHandle rs;
  try {
    bool ok = !sNetUserID.empty() || GetNetworkUserID(sNetUserID);
    if (ok) ok = OpenDbAndRecordset(db, rs, fields_->ConfigDbPath(), RegistrationQuery(sNetUserID),
                                    db::dbOpenDynaset, true, false) == 0;
    if (ok) {
      if (rs->Eof()) {
        sTVXUserID = "000";
      } else {
        sTVXUserID = GetFieldValue(rs->Fields("sTVXUserID")).AsString();
        ok = !Trim(sTVXUserID).empty();
      }
    }
    CloseRecordset(rs);
    CloseDatabase(db);
    if (ok) return RETURN_OK;
  } catch (...) {
    CatchToPending();
    CloseRecordset(rs);
    CloseDatabase(db);
  }
  ShowError("", vbCritical, "GetTVXUserID()");
  return RETURN_ERROR;
}

bool clsStartupManager::GetNetworkUserID(std::string& sNetUserID) {
  const char* kTitle = "GetNetworkUserID()";
  return Guarded(kTitle, vbCritical, false, [&]() -> bool {
    platform::Env* env = CurrentEnv();
    const std::string path = RemoveBackslash(fields_->app_exe_path);
    // The program folder becomes the current folder, as the drive whose user
    // is asked for; a failure here only means the drive type will tell.
    (void)env->SetCurrentFolder(path);
    std::string message;
    switch (env->GetDriveType(path)) {
      case platform::kDriveFixed:
      case platform::kDriveRemote: {
        // There is one login per process here: the user connected to the
        // program's drive and the user logged on are the same, so one query
        // stands for both.
        std::string name;
        platform::Status s = env->LoginName(&name);
        if (s.ok()) {
          sNetUserID = StripNull(name);
          return true;
        }
        SetLastOsError(s.code);
        message = NetworkErrorText(s.code);
        break;
      }
      case platform::kDriveUnknown:
        message = std::string("Could not get network user ID because the drive type") + " " +
                  "could not be determined for the specified path." + LineBreaks(1) + InBrackets(path) +
                  LineBreaks(1);
        break;
      case platform::kDriveNoRootDir:
        message = std::string("Could not get network user ID because the root directory ") +
                  "could not be found for the specified path." + LineBreaks(1) + InBrackets(path) + LineBreaks(1);
        break;
      default:
        message = std::string("Could not get network user ID because the drive type for the ") +
                  "specified path is invalid." + LineBreaks(1) + InBrackets(path) + LineBreaks(1);
        break;
    }
    ShowError(message + LineBreaks(2) + ContactSupportText(), vbCritical, kTitle);
    return false;
  });
}

eProjectReturnCode clsStartupManager::ConfirmNetworkUserID(std::string& sNetUserID) {
  const char* kTitle = "ConfirmNetworkUserID()";
  DbHandle db;
  RsHandle rs;
  try {
    // Every repetition offers the name first passed in, not the last answer.
    const std::string proposed = sNetUserID;
    for (;;) {
      std::string answer;
      if (!Ui().InputBox("User ID:", "Application Startup", proposed, &answer)) answer.clear();
      sNetUserID = Trim(answer);
      if (sNetUserID.empty()) {
        int again = Ui().MsgBox(std::string("A user ID must be entered to continue.  ") +
                                    "Would you like to continue?" + LineBreaks(2) +
                                    "Press Yes to continue or No to exit the program.",
                                vbYesNo | vbQuestion, "Register User ID");
        if (again == vbYes) continue;
        sNetUserID.clear();
        return RETURN_USER_CANCEL;
      }
      if (OpenDbAndRecordset(db, rs, fields_->ConfigDbPath(), RegistrationQuery(sNetUserID), db::dbOpenDynaset,
                             true, true) != 0) {
        ShowError("", vbExclamation, kTitle);
        return RETURN_ERROR;
      }
      const bool registered = !rs->Eof();
      CloseRecordset(rs);
      CloseDatabase(db);
      if (registered) return RETURN_OK;
      int answer_register =
          Ui().MsgBox("The user ID  " + InBrackets(sNetUserID) + "  is not registered with Mersa / TVX-II software." +
                          LineBreaks(2) + "Would you like to register this user ID now?",
                      vbYesNo | vbQuestion | vbDefaultButton2, "Register User ID");
      if (answer_register == vbYes) return RETURN_OK;
    }
  } catch (...) {
    CatchToPending();
    CloseRecordset(rs);
    CloseDatabase(db);
    ShowError("", vbExclamation, kTitle);
    return RETURN_ERROR;
  }
}

}  // namespace pds
