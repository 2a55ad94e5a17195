// The non-interactive host: every question is answered with its default
// button, every message is written to standard error, dialogs are closed as
// their Cancel button would close them. The process uses it until the
// application chooses another host.
#pragma once

#include <cstdio>

#include "pds/UiHost.h"

namespace pds {

class BatchHost : public UiHost {
 public:
  explicit BatchHost(std::FILE* out = stderr) : out_(out) {}

  int MsgBox(const std::string& prompt, int style, const std::string& title) override;
  bool InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                std::string* answer) override;
  void RunModal(Dialog& dialog) override;
  void ShowModeless(Dialog&) override {}
  void Refresh(Dialog&) override {}
  void CloseModeless(Dialog&) override {}
  bool FileDialog(const FileDialogRequest& request, std::string* chosen) override;
  bool BrowseForFolder(const std::string& title, const std::string& initial_folder, std::string* chosen) override;
  bool ShowHelp(const std::string& help_file, int command, long context) override;
  void SetWaitCursor(bool) override {}
  void ProcessEvents() override {}

 private:
  std::FILE* out_;
};

}  // namespace pds
