#include "dialogs/frm_archive.h"

#include "archive/zip_codes.h"
#include "archive/zip_reader.h"
#include "archive/zip_writer.h"
#include "files/file_routines.h"
#include "pds/Text.h"
#include "pds/UiHost.h"
#include "ui/messages.h"

namespace pds {

namespace {

// Failures the extraction component meets inside one entry, which it
// reports through its error event before the run ends.
bool IsEntryFailure(archive::ZipFailure failure) {
  switch (failure) {
    case archive::ZipFailure::kCrcMismatch:
    case archive::ZipFailure::kEncrypted:
    case archive::ZipFailure::kUnknownMethod:
    case archive::ZipFailure::kSizeExceeded:
    case archive::ZipFailure::kUnsafeEntry:
      return true;
    default:
      return false;
  }
}

std::string BareName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

frmArchive::frmArchive() : Dialog("frmArchive") {
  fraProgress.SetCaption("Working...");
  ProgressBar1.SetRange(0, 100);
  ProgressBar2.SetRange(0, 100);
}

void frmArchive::SetTitle(const std::string& title) {
  if (!Trim(title).empty()) SetCaption(title);
}

void frmArchive::SetStatus(const std::string& status) {
  const std::string trimmed = Trim(status);
  fraProgress.SetCaption(trimmed.empty() ? "Working..." : trimmed);
  Refresh();
}

void frmArchive::ShowProgress() { ShowModeless(); }

void frmArchive::HideProgress() { Hide(); }

std::string frmArchive::ErrorText(std::int32_t code) { return archive::ZipErrorText(code); }

std::vector<std::string> frmArchive::ParseItemList(const std::string& item_list) {
  // Quoted paths may hold blanks; an unquoted word (a hand-written list)
  // ends at the next blank.
  std::vector<std::string> paths;
  std::size_t i = 0;
  while (i < item_list.size()) {
    if (item_list[i] == ' ') {
      ++i;
      continue;
    }
    std::size_t end;
    if (item_list[i] == '"') {
      end = item_list.find('"', i + 1);
      if (end == std::string::npos) end = item_list.size();
      if (end > i + 1) paths.push_back(item_list.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      end = item_list.find(' ', i);
      if (end == std::string::npos) end = item_list.size();
      paths.push_back(item_list.substr(i, end - i));
      i = end;
    }
  }
  return paths;
}

void frmArchive::OnProgress(int run_percent, const std::string& item, int item_percent) {
  ProgressBar1.SetValue(run_percent);
  ProgressBar2.SetValue(item_percent);
  Label1.SetCaption(item);
  Refresh();
}

bool frmArchive::KeepAlive() {
  Ui().ProcessEvents();
  return true;
}

bool frmArchive::Archive(const std::string& zip_file, const std::string& item_list, bool /*spanning*/,
                         bool show_msgs) {
  std::vector<archive::ArchiveItem> items;
  for (const std::string& path : ParseItemList(item_list)) items.push_back({BareName(path), path});
  archive::ZipWriteOptions options;  // parallel deflate on every core
  options.hooks.progress = [this](int run, const std::string& item, int percent) { OnProgress(run, item, percent); };
  options.hooks.keep_alive = [this] { return KeepAlive(); };
  const archive::ZipResult result = archive::WriteZipArchive(Trim(zip_file), items, options);
  last_code_ = result.code();
  last_detail_ = result.detail;
  if (result.ok()) return true;
  if (show_msgs) Ui().MsgBox(ErrorText(last_code_), vbCritical, archive::ArchiveErrorTitle(last_code_));
  return false;
}

bool frmArchive::Extract(const std::string& zip_file, const std::string& folder, const std::string& pattern,
                         bool show_msgs) {
  const std::string zip = Trim(zip_file);
  if (zip.empty()) return false;
  const std::string lead = "Unable to extract:  " + InBrackets(pattern) + " from archive ";
  if (!FileExists(zip)) {
    last_code_ = archive::ZipResultCode(archive::ZipFailure::kNotFound);
    last_detail_ = zip;
    if (show_msgs) {
      Ui().MsgBox(lead + LineBreaks(1) + zip + " does not exist.", vbCritical, archive::RetrieveErrorTitle(last_code_));
    }
    return false;
  }
  archive::ZipExtractOptions options;
  options.extract_as = extract_as_;
  options.hooks.progress = [this](int run, const std::string& item, int percent) { OnProgress(run, item, percent); };
  options.hooks.keep_alive = [this] { return KeepAlive(); };
  const archive::ZipResult result = archive::ExtractZipEntries(zip, folder, pattern, options);
  last_code_ = result.code();
  last_detail_ = result.detail;
  if (result.ok()) return true;
  if (show_msgs) {
    if (IsEntryFailure(result.failure)) {
      Ui().MsgBox(ErrorText(last_code_), vbCritical, archive::UnArchiveErrorTitle(last_code_));
    }
    Ui().MsgBox(lead + LineBreaks(1) + InBrackets(zip) + LineBreaks(1) + " because the following error occurred:" +
                    LineBreaks(2) + ErrorText(last_code_),
                vbCritical, archive::RetrieveErrorTitle(last_code_));
  }
  return false;
}

int frmArchive::OnMessageRequest(int kind, int code, std::string& prompt) {
  if (kind != kZipMessageRequestKind) return 0;
  switch (code) {
    case 512: prompt = "Insert first disk and press OK when ready or Cancel to abort."; break;
    case 513: prompt = "Insert next disk and press OK when ready or Cancel to abort."; break;
    case 517: prompt = "Insert last disk and press OK when ready."; break;
    case 520: prompt = "This disk is write-protected."; break;
    case kZipShowHostCode: ShowProgress(); break;
    default: break;
  }
  return 0;
}

}  // namespace pds
