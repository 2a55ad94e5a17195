#include "apps/pds/folder_answer.h"

#include "pds/Dialog.h"

namespace pds::app {

class ScopedFolderAnswer::Host : public UiHost {
 public:
  Host(std::string folder, std::shared_ptr<UiHost> inner) : folder_(std::move(folder)), inner_(std::move(inner)) {}
  bool answered = false;

  void RunModal(Dialog& dialog) override {
    if (answered || dialog.FormName() != "frmFolder") return inner_->RunModal(dialog);
    answered = true;
    dialog.Activate();
    dialog.TypeText("txtProjectFolder", folder_);
    dialog.ClickButton("cmdOK");
    if (dialog.visible()) dialog.ClickButton("cmdCancel");
    if (dialog.visible()) dialog.Hide();
    dialog.TakeRefusals();
  }
  int MsgBox(const std::string& p, int s, const std::string& t) override { return inner_->MsgBox(p, s, t); }
  bool InputBox(const std::string& p, const std::string& t, const std::string& d, std::string* a) override {
    return inner_->InputBox(p, t, d, a);
  }
  void ShowModeless(Dialog& d) override { inner_->ShowModeless(d); }
  void Refresh(Dialog& d) override { inner_->Refresh(d); }
  void CloseModeless(Dialog& d) override { inner_->CloseModeless(d); }
  bool FileDialog(const FileDialogRequest& r, std::string* c) override { return inner_->FileDialog(r, c); }
  bool BrowseForFolder(const std::string& t, const std::string& i, std::string* c) override {
    return inner_->BrowseForFolder(t, i, c);
  }
  bool ShowHelp(const std::string& f, int c, long x) override { return inner_->ShowHelp(f, c, x); }
  void SetWaitCursor(bool b) override { inner_->SetWaitCursor(b); }
  void ProcessEvents() override { inner_->ProcessEvents(); }

 private:
  std::string folder_;
  std::shared_ptr<UiHost> inner_;
};

ScopedFolderAnswer::ScopedFolderAnswer(std::string folder) {
  // The host in place (the slot always holds one) is taken out to be wrapped.
  previous_ = SetUiHost(nullptr);
  host_ = std::make_shared<Host>(std::move(folder), previous_);
  SetUiHost(host_);
}

ScopedFolderAnswer::~ScopedFolderAnswer() { SetUiHost(previous_); }

bool ScopedFolderAnswer::answered() const { return host_->answered; }

}  // namespace pds::app
