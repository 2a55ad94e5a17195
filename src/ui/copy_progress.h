// The progress window of file staging: while an application's files are
// copied into or out of its working folder, a modeless window shows how much
// of the copy is done and which file is on its way. Hosts that draw nothing
// (batch, scripted) simply let it pass.
//
// Use: the operation that copies a set of files creates one CopyProgress on
// the stack with the total size it is about to copy; the copy routine reports
// each file through CopyProgress::Current(). Small copies show no window,
// so that opening a small project does not flash one. One window at a time
// per thread; an inner CopyProgress while one is active stays silent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pds/Controls.h"
#include "pds/Dialog.h"

namespace pds {

class frmCopyProgress : public Dialog {
 public:
  frmCopyProgress() : Dialog("frmCopyProgress") {}
  Label& lblItem = Add<Label>("lblItem");
  ProgressBar& prgCopy = Add<ProgressBar>("prgCopy");
};

class CopyProgress {
 public:
  // Copies smaller than this show no window.
  static constexpr std::uint64_t kThresholdBytes = 16ull << 20;

  CopyProgress(const std::string& caption, std::uint64_t total_bytes);
  ~CopyProgress();
  CopyProgress(const CopyProgress&) = delete;
  CopyProgress& operator=(const CopyProgress&) = delete;

  // The window of this thread's copy in progress, or null.
  static CopyProgress* Current();

  // A file of `bytes` bytes is about to be copied / has been copied.
  void Starting(const std::string& item);
  void Done(std::uint64_t bytes);

 private:
  std::unique_ptr<frmCopyProgress> window_;
  std::uint64_t total_ = 0;
  std::uint64_t done_ = 0;
  CopyProgress* outer_ = nullptr;
};

}  // namespace pds
