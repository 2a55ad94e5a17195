#include "archive/translator.h"

#include <optional>
#include <vector>

#include "files/file_routines.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "pds/UserSettings.h"
#include "platform/env.h"
#include "ui/messages.h"

namespace pds {

namespace {

constexpr const char* kSection = "Translator";
constexpr const char* kSourceKey = "SourceFolder";
constexpr const char* kTargetKey = "TargetFolder";
constexpr const char* kResultKey = "ResultCode";
// Between two polls of a running translator: short enough that the end is
// noticed at once, long enough that waiting costs no processor time.
constexpr int kPollPauseMillis = 20;

// The number a failure the translator reports carries: a component-defined
// error (vbObjectError + 513), as the language numbers errors a component
// raises itself.
constexpr long kErrTranslatorFailed = -2147221504L + 513;

// Spawn failures that mean "no such program", as run-time error 53 does.
bool NotFound(int code) { return code == 2 || code == 3; }

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
    const std::size_t end = text.find(' ', at);
    words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end;
  }
  return words;
}

void DeleteSettings() {
  for (const char* key : {kSourceKey, kTargetKey, kResultKey}) {
    (void)DeleteUserSetting(kTranslatorSettingsApp, kSection, key);
  }
}

}  // namespace

std::string clsTranslator::ArgumentText() {
  return std::string(" [") + kTranslatorSettingsApp + "] [" + kSection + "] [" + kSourceKey + "] [" + kTargetKey +
         "] [" + kResultKey + "]";
}

eProjectReturnCode clsTranslator::Translator(const std::string& sExePath, const std::string& sSourceFolder,
                                             const std::string& sTargetFolder) {
  constexpr const char* kTitle = "Translator()";
  bool settings_written = false;
  try {
    if (!FileExists(sExePath)) {
      ShowError("The translator/conversion program necessary to retrieve this project was not found." +
                    LineBreaks(2) + ContactSupportText(),
                vbExclamation, kTitle);
      return RETURN_ERROR;
    }
    settings_written = true;
    if (!SaveUserSetting(kTranslatorSettingsApp, kSection, kSourceKey, sSourceFolder) ||
        !SaveUserSetting(kTranslatorSettingsApp, kSection, kTargetKey, sTargetFolder) ||
        !SaveUserSetting(kTranslatorSettingsApp, kSection, kResultKey, "")) {
      DeleteSettings();
      ShowError("", vbExclamation, kTitle);
      return RETURN_ERROR;
    }
    (void)RunExeProgram(sExePath, ArgumentText());

    (void)DeleteUserSetting(kTranslatorSettingsApp, kSection, kSourceKey);
    (void)DeleteUserSetting(kTranslatorSettingsApp, kSection, kTargetKey);
    const std::optional<std::string> result = GetUserSetting(kTranslatorSettingsApp, kSection, kResultKey);
    (void)DeleteUserSetting(kTranslatorSettingsApp, kSection, kResultKey);
    settings_written = false;

    const std::string code = result ? *result : std::string();
    if (code == "-1") return RETURN_OK;
    if (code == "-2") return RETURN_USER_CANCEL;
    // The translator's own text, when it gave one, is the reason shown.
    if (!code.empty()) SetError(kErrTranslatorFailed, code);
    ShowError("", vbExclamation, kTitle);
    return RETURN_ERROR;
  } catch (...) {
    CatchToPending();
    if (settings_written) DeleteSettings();
    ShowError("", vbExclamation, kTitle);
    return RETURN_ERROR;
  }
}

bool clsTranslator::RunExeProgram(const std::string& sExePath, const std::string& sArguments) {
  constexpr const char* kTitle = "RunExeProgram()";
  platform::Env* env = platform::CurrentEnv();
  // The command line is the program, one blank and the argument text; here
  // its words become the program's arguments.
  std::vector<std::string> argv{sExePath};
  for (std::string& word : Words(sArguments)) argv.push_back(std::move(word));

  auto unable = [&](int code) {
    // The composition is the message's fixed form, although the system text
    // repeats the number: "Error 13  -  Error 13  -  Permission denied".
    ShowError("Unable to launch " + sExePath + "." + LineBreaks(2) + "Error " + std::to_string(code) + "  -  " +
                  GetSystemErrorText(code),
              vbExclamation, kTitle);
    return false;
  };

  int pid = 0;
  const platform::Status started = env->StartProcess(argv, &pid);
  if (NotFound(started.code)) {
    SetError(53, "Translator/Conversion program was not found." + LineBreaks(1) + ContactSupportText());
    ShowError("", vbExclamation, kTitle);
    return false;
  }
  if (!started.ok()) return unable(started.code);

  for (;;) {
    bool running = false;
    int exit_code = 0;
    const platform::Status polled = env->PollProcess(pid, &running, &exit_code);
    if (!polled.ok()) return unable(polled.code);
    if (!running) return true;  // the outcome is in "ResultCode", not in the exit code
    Ui().ProcessEvents();
    env->SleepMillis(kPollPauseMillis);
  }
}

}  // namespace pds
