#include "ui/copy_progress.h"

#include "pds/UiHost.h"

namespace pds {

namespace {
thread_local CopyProgress* current = nullptr;
}  // namespace

CopyProgress::CopyProgress(const std::string& caption, std::uint64_t total_bytes) : total_(total_bytes) {
  outer_ = current;
  if (outer_ || total_bytes < kThresholdBytes) return;
  window_ = std::make_unique<frmCopyProgress>();
  window_->SetCaption(caption);
  window_->prgCopy.SetRange(0, 100);
  current = this;
  Ui().ShowModeless(*window_);
}

CopyProgress::~CopyProgress() {
  if (!window_) return;
  current = outer_;
  window_->prgCopy.SetValue(100);
  Ui().CloseModeless(*window_);
}

CopyProgress* CopyProgress::Current() { return current; }

void CopyProgress::Starting(const std::string& item) {
  if (!window_) return;
  window_->lblItem.SetCaption(item);
  Ui().Refresh(*window_);
}

void CopyProgress::Done(std::uint64_t bytes) {
  if (!window_) return;
  done_ += bytes;
  const std::uint64_t percent = total_ == 0 ? 100 : std::min<std::uint64_t>(100, done_ * 100 / total_);
  window_->prgCopy.SetValue(static_cast<long>(percent));
  Ui().Refresh(*window_);
  // A host may let the user's other windows breathe between files.
  Ui().ProcessEvents();
}

}  // namespace pds
