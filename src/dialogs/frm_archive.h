// frmArchive: the hidden window that hosts the zip runs of one archive or
// retrieve operation. It owns no zip code of its own: an archive run hands
// the item list to the archive writer, an extract run hands the pattern to
// the archive reader, and the window shows their progress (run percent on
// ProgressBar1, the current item on Label1 and its percent on ProgressBar2)
// and their failures as message boxes.
//
// Life cycle: the operation creates one window per archive or retrieve,
// hidden; ShowProgress shows it without blocking, HideProgress (or
// destroying it) takes it away. Every progress report refreshes the window
// and lets the host process its events, so a terminal or desktop host stays
// responsive while a large project is compressed.
//
// Failures: a failed run leaves nothing behind (no partial archive, no
// half-extracted file: the engine guarantees it); the result code and the
// engine's detail stay readable through LastCode / LastDetail. Nothing here
// throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pds/Dialog.h"

namespace pds {

// The compression component's message-request kind for prompts.
inline constexpr int kZipMessageRequestKind = 13;
// Its request code that asks the host to show itself.
inline constexpr int kZipShowHostCode = 700;

class frmArchive : public Dialog {
 public:
  frmArchive();

  // Sets the window caption; a text that is blank once trimmed leaves the
  // caption as it was.
  void SetTitle(const std::string& title);
  // Sets the progress frame's caption to the trimmed text ("Working..." when blank).
  void SetStatus(const std::string& status);
  // Shows the window without blocking the caller / takes it away again.
  void ShowProgress();
  void HideProgress();

  // Writes zip_file from item_list: each full path in double quotes followed
  // by one blank; each entry gets the bare file name of its path, in list
  // order. True when the run ends with code 0. A failure is shown, when
  // show_msgs, as a critical box titled "Archive Error <hex code>" with the
  // code's text.
  //
  // spanning: spreading an archive over removable disks exists only for the
  // floppy drives A: and B:, which POSIX paths never name (UsesDiskSpanning
  // decides that and is always false here); a request for it still writes one
  // ordinary archive.
  bool Archive(const std::string& zip_file, const std::string& item_list, bool spanning, bool show_msgs);

  // Extracts the entries of zip_file matching pattern into folder. A blank
  // zip file name does nothing and answers false. A missing zip file answers
  // false and, when show_msgs, says so under "Retrieve Error 9" ("File not
  // found" is what the run would have met). A failed run, when show_msgs,
  // shows "Unable to extract:  [pattern] from archive ", [zip], " because
  // the following error occurred:" and the code's text, titled
  // "Retrieve Error <hex code>".
  //
  // A failure that concerns one entry of the archive (damaged data, an
  // encrypted or unknown-method entry, an unsafe name) is first reported as
  // the extraction component's own error event, "TVX UnArchive Error <hex>"
  // with the code's text, when show_msgs; the summary box follows it.
  bool Extract(const std::string& zip_file, const std::string& folder, const std::string& pattern,
               bool show_msgs);

  // Non-empty: the next extracted entry is written under this name; empty:
  // entries keep their own names. Starts empty with every window.
  void SetExtractAsName(const std::string& name) { extract_as_ = name; }
  const std::string& ExtractAsName() const { return extract_as_; }

  // The message for a zip result code ("Unknown zip error 0x7" for codes
  // without one).
  static std::string ErrorText(std::int32_t code);

  // The compression component's message request: for kind 13 the prompt of
  // a disk request (codes 512, 513, 517, 520) is replaced by the host's own
  // text, and code 700 makes the window show itself; every other request
  // keeps the component's text. Answers 0. Requests come only with disk
  // spanning, which never happens on POSIX, but the texts stay the host's.
  int OnMessageRequest(int kind, int code, std::string& prompt);

  // The parsed item list (full paths, in order), for callers and tests.
  static std::vector<std::string> ParseItemList(const std::string& item_list);

  // The last run's result code (0 success) and the path or entry it concerns.
  std::int32_t LastCode() const { return last_code_; }
  const std::string& LastDetail() const { return last_detail_; }

  Frame& fraProgress = Add<Frame>("fraProgress");
  Label& Label1 = Add<Label>("Label1");
  ProgressBar& ProgressBar1 = Add<ProgressBar>("ProgressBar1");
  ProgressBar& ProgressBar2 = Add<ProgressBar>("ProgressBar2");

 private:
  void OnProgress(int run_percent, const std::string& item, int item_percent);
  bool KeepAlive();

  std::string extract_as_;
  std::int32_t last_code_ = 0;
  std::string last_detail_;
};

}  // namespace pds
