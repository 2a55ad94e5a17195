// pds-translate: the sample translator program. It converts a project of the
// earlier generation (a folder with QBMPROJ.INI and one CSV file of tags per
// tag type) into an application's working folder, speaking the translator
// protocol: the folders come from per-user settings named on its command
// line, and the outcome goes back into the "ResultCode" setting.
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "apps/pds-translate/previous_project.h"
#include "apps/pds-translate/tag_writer.h"
#include "pds/UserSettings.h"

namespace {

using namespace pds::translate;

constexpr char kHelp[] = R"(pds-translate - convert a project of the earlier generation (QBM32) for an application

usage:
  pds-translate [APPLICATION] [SECTION] [SOURCEKEY] [TARGETKEY] [RESULTKEY]
  pds-translate --help

The component starts this program when an application calls
ProjectRetrieveFromPreviousVersion (pds session: retrieve-previous). Any
program that follows the protocol below can take its place.

THE TRANSLATOR PROTOCOL
  Command line: the program's path, then five words, each in square brackets
  and each one argument:
      [ProjectDataServer] [Translator] [SourceFolder] [TargetFolder] [ResultCode]
  the application name and the section of the per-user settings, and the
  names of the three settings in that section.

  Per-user settings: one profile (INI) file per application name,
      ${XDG_CONFIG_HOME:-$HOME/.config}/tvx-ii/<APPLICATION>.ini
  with the lines "[<SECTION>]" and "<KEY>=<value>" (keys without regard to
  case; lines end in CR LF or LF). Replace the file as a whole (write a new
  file, then rename it over the old one).
    SourceFolder  the earlier project's folder, as the user chose it (read it)
    TargetFolder  the application's working folder to fill; it holds fresh,
                  empty application files, and is named "~" + the
                  application's designation (read it)
    ResultCode    empty at the start; write the outcome before ending:
                  -1  success: the working folder holds the converted data
                  -2  the user cancelled
                  anything else: failure; the text is shown to the user as
                  the reason, so make it one readable line
  The component waits until the program ends, then reads ResultCode and
  deletes all three settings. The exit code is not looked at. A program that
  ends without writing ResultCode has failed.

THE EARLIER FORMAT (QBM32) THIS PROGRAM READS
  A folder holding:
    QBMPROJ.INI   [Project]   Format=QBM32 (required), Name=the project's name
                  [Tag Types] one line per tag type: <tag type>=<CSV file>
    <CSV file>    one per tag type, UTF-8: a header row of field names, then
                  one row per tag. Values are separated by commas; a value
                  in double quotes may hold commas, line breaks and "" for a
                  quote. The field TagName is required; the others are
                  fields of that tag type in the application's tag database
                  (PMP10: TagData, Motor). An empty value leaves the field
                  without a value; lOrder, when not given, follows the file.
  Refused, with nothing written: a missing folder or QBMPROJ.INI, another
  format, a CSV file that cannot be read or is malformed, a tag type or
  field the application does not have, the numbered field lTagId, a row
  without a name, a duplicate tag name (without regard to case) or a name
  already in the target, a value its field cannot hold. All tags are
  written in one transaction into <TargetFolder>/<designation>Tag.mdb.

  Interrupting the program (SIGINT, SIGTERM) cancels: nothing is written
  and ResultCode is -2.

EXIT STATUS
  0 converted; 1 refused, failed or cancelled (ResultCode says which);
  2 the command line does not follow the protocol.
)";

volatile std::sig_atomic_t g_cancel = 0;
extern "C" void OnCancel(int) { g_cancel = 1; }

// A word of the command line without its brackets.
std::string Unbracketed(std::string word) {
  if (word.size() >= 2 && word.front() == '[' && word.back() == ']') word = word.substr(1, word.size() - 2);
  return word;
}

// A value of one line: the settings file holds one value per line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (args.size() != 5) {
    std::fputs("pds-translate: expected five words: [APPLICATION] [SECTION] [SOURCEKEY] [TARGETKEY] [RESULTKEY]\n"
               "(pds-translate --help describes the protocol)\n",
               stderr);
    return 2;
  }
  const std::string app = Unbracketed(args[0]);
  const std::string section = Unbracketed(args[1]);
  const std::string result_key = Unbracketed(args[4]);
  auto finish = [&](const std::string& result, const std::string& text) {
    // The outcome travels in ResultCode; standard output is the calling
    // application's, so only a failure is also told on standard error.
    if (result != "-1") std::fprintf(stderr, "pds-translate: %s\n", text.c_str());
    if (!pds::SaveUserSetting(app, section, result_key, OneLine(result))) {
      std::fprintf(stderr, "pds-translate: cannot write %s to %s\n", result_key.c_str(),
                   pds::UserSettingsFile(app).c_str());
    }
    return result == "-1" ? 0 : 1;
  };
  auto fail = [&](const std::string& reason) { return finish("Conversion failed: " + reason, reason); };

  const std::optional<std::string> source = pds::GetUserSetting(app, section, Unbracketed(args[2]));
  const std::optional<std::string> target = pds::GetUserSetting(app, section, Unbracketed(args[3]));
  if (!source || source->empty() || !target || target->empty()) {
    return fail("the settings " + Unbracketed(args[2]) + " and " + Unbracketed(args[3]) + " of section " + section +
                " are missing from " + pds::UserSettingsFile(app));
  }
  std::signal(SIGINT, OnCancel);
  std::signal(SIGTERM, OnCancel);

  PreviousProject project;
  std::string error;
  if (!ReadPreviousProject(*source, &project, &error)) return fail(error);
  if (g_cancel != 0) return finish("-2", "cancelled; nothing was written");

  switch (WriteTags(*target, project, g_cancel, &error)) {
    case WriteOutcome::kRefused: return fail(error);
    case WriteOutcome::kCancelled: return finish("-2", "cancelled; nothing was written");
    case WriteOutcome::kWritten: break;
  }
  return finish("-1", "");
}
