// clsTranslator: runs an external translator (conversion) program that turns
// a project of the application's earlier generation into the files of the
// current one, and waits for it.
//
// The protocol, which third-party translators rely on:
//  - Before the start, three per-user settings are written in section
//    "Translator" of application name kTranslatorSettingsApp (see
//    pds/UserSettings.h for where they live): "SourceFolder" (the earlier
//    project's folder), "TargetFolder" (the working folder to fill) and
//    "ResultCode" (empty).
//  - The program is started as
//      <program> [<application name>] [Translator] [SourceFolder] [TargetFolder] [ResultCode]
//    each bracketed word being one argument: the settings' application
//    name, section and the three key names.
//  - The program writes "ResultCode": "-1" success, "-2" cancelled by the
//    user, anything else a failure (its text is the reason). Its exit code
//    is not looked at.
//  - When it has ended all three settings are deleted, "ResultCode" after
//    it has been read, whatever the outcome.
//
// The wait polls the child without blocking and lets the UI host process
// events between polls, so the application stays responsive (and could call
// in again, which the caller guards against). Every pause goes through the
// platform clock. Nothing here throws; failures are reported through the
// error reporter and answered with the failure value.
#pragma once

#include <string>

#include "pds/Types.h"

namespace pds {

// The application name under which the exchange settings are kept.
inline constexpr char kTranslatorSettingsApp[] = "ProjectDataServer";

class clsTranslator {
 public:
  // Runs the translator at sExePath on the earlier project in sSourceFolder,
  // converting into sTargetFolder: RETURN_OK, RETURN_USER_CANCEL, or
  // RETURN_ERROR after the reason was shown (titled "Translator()").
  eProjectReturnCode Translator(const std::string& sExePath, const std::string& sSourceFolder,
                                const std::string& sTargetFolder);

  // Starts sExePath with the argument text (its blank-separated words are
  // the arguments) and waits for it to end. True when it was started and
  // ran to its end; false after the reason was shown (titled "RunExeProgram()").
  bool RunExeProgram(const std::string& sExePath, const std::string& sArguments);

  // The argument text of the protocol: a leading blank, then each bracketed
  // word followed by one blank except the last.
  static std::string ArgumentText();
};

}  // namespace pds
