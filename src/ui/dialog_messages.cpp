#include "ui/dialog_messages.h"

#include <clocale>
#include <cstring>
#include <ctime>

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/Dialog.h"
#include "pds/Types.h"
#include "pds/UiHost.h"
#include "platform/dir_search.h"
#include "platform/env.h"

namespace pds {

void UnloadAndRelease(Dialog& dialog) noexcept {
  try {
    dialog.Hide();
    dialog.Unload();
  } catch (...) {
    // Errors are ignored: the reference is cleared whatever happened.
  }
}

// ---- file dates

namespace {

std::string Format(const char* format, const std::tm& tm) {
  char buffer[256];
  std::size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
  return std::string(buffer, n);
}

// The family's users know the US English long date and time
// ("dddd, MMMM d, yyyy" and "h:mm:ss tt"); the portable "C" locale has no
// long date of its own, so it gets the same.
bool UsesUsEnglishFormats(const char* locale_name) {
  if (!locale_name) return true;
  return std::strcmp(locale_name, "C") == 0 || std::strcmp(locale_name, "POSIX") == 0 ||
         std::strncmp(locale_name, "en_US", 5) == 0 || std::strncmp(locale_name, "C.", 2) == 0;
}

std::string LocalDateTimeText(const platform::TimePoint& when) {
  std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return {};
  if (!UsesUsEnglishFormats(std::setlocale(LC_TIME, nullptr))) {
    return Format("%A, %x", tm) + ", " + Format("%X", tm);
  }
  std::string date = Format("%A, %B ", tm) + std::to_string(tm.tm_mday) + ", " + std::to_string(tm.tm_year + 1900);
  int hour = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
  std::string time = std::to_string(hour) + Format(":%M:%S %p", tm);
  return date + ", " + time;
}

}  // namespace

std::string GetFileDateText(const std::string& path, long which) noexcept {
  try {
    platform::Env* env = platform::CurrentEnv();
    platform::DirSearch search(env);
    platform::DirEntry entry;
    if (!search.First(path, &entry).ok()) return {};
    search.Close();
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? env->CurrentFolder() : path.substr(0, slash);
    std::string found = (folder.empty() || folder.back() != '/' ? folder + "/" : folder) + entry.name;
    platform::FileTimes times;
    if (!env->GetFileTimes(found, &times).ok()) return {};
    switch (which) {
      case kFileLastAccessTime: return LocalDateTimeText(times.last_access);
      case kFileCreationTime: return LocalDateTimeText(times.creation);
      case kFileLastWriteTime: return LocalDateTimeText(times.last_write);
      default: return {};
    }
  } catch (...) {
    return {};
  }
}

void AutoSizeListColumns(ListView& list) noexcept {
  for (int i = 0; i < list.ColumnCount(); ++i) list.SetColumnWidth(i, kColumnFitHeaderAndContents);
}

// ---- help

namespace {
std::string& HelpFileSlot() {
  static std::string file;
  return file;
}

HelpRequest Context(long context) { return HelpRequest{kHelpContext, context}; }
HelpRequest Contents() { return HelpRequest{kHelpContents, 0}; }
}  // namespace

std::string HelpFile() { return HelpFileSlot(); }
void SetHelpFile(std::string file) { HelpFileSlot() = std::move(file); }

HelpRequest DialogHelpRequest(HelpDialog dialog, long mode) {
  switch (dialog) {
    case HelpDialog::kArchiveInformation: return Context(10182);
    case HelpDialog::kProjectProperties: return Context(10160);
    case HelpDialog::kSaveProjectAs: return Context(10142);
    case HelpDialog::kNameEntry: return mode == 2 ? Context(10146) : Contents();
    case HelpDialog::kFolderChoice:
      switch (mode) {
        case SAVE_MODE: return Context(10144);
        case RETRIEVE_PREV_MODE: return Context(10192);
        case EXPORT_PREV_MODE: return Context(10202);
        default: return Contents();
      }
    case HelpDialog::kSelectProject:
      switch (mode) {
        case OPEN_MODE: return Context(10122);
        case DELETE_MODE: return Context(10152);
        default: return Contents();
      }
    case HelpDialog::kProjectNotFound: return Context(10124);
    case HelpDialog::kProjectSearch: return mode == 1 ? Context(10126) : Context(10128);
  }
  return Contents();
}

void ShowDialogHelp(const Dialog& dialog, int command, long context) noexcept {
  const std::string& caption = dialog.Caption();
  try {
    std::string file = HelpFile();
    if (file.empty()) {
      Ui().MsgBox(std::string("Unable to display Help Contents.  ") + "There is no Help associated with this project.",
                  vbInformation, caption.empty() ? DefaultMsgBoxTitle() : caption);
      return;
    }
    ClearError();
    bool shown = Ui().ShowHelp(file, command, command == kHelpContents ? 0 : context);
    // A host that could not show help and said nothing more still gets a description to report.
    if (!shown && Err().number == 0) SetError(5, "Unable to display Help Contents.  " + InBrackets(file));
  } catch (...) {
    CatchToPending();
  }
  if (Err().number != 0) ShowError("", vbInformation, caption);
}

void ShowDialogHelp(const Dialog& dialog, const HelpRequest& request) noexcept {
  ShowDialogHelp(dialog, request.command, request.context);
}

void ShowDialogHelp(const Dialog& dialog) noexcept {
  long context = dialog.HelpContextID();
  ShowDialogHelp(dialog, context != 0 ? kHelpContext : kHelpContents, context);
}

}  // namespace pds
