// frmNew, the name entry dialog: the small modal dialog in which the user
// types one name, either the name of a new folder (folder-name mode, used by
// the folder dialog's New Folder button) or a new tag name (tag-name mode,
// used by the tag operations), or any non-empty text (every other mode).
//
// Use: create it, set the properties (the first setter loads the dialog with
// its defaults, so settings are never overwritten by loading), Show() it, read
// Accepted() and EnteredName(), then release it with UnloadDialog. OK closes
// the dialog only when the name passes the rules of the mode; the rules show
// their own messages and leave the dialog open with the text selected.
// Closing only hides the dialog, so its state stays readable until unloaded.
//
// The dialog does not own its owner (the service object), which must outlive
// it. Nothing here throws.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/ok_cancel_form.h"

namespace pds {

class TagStore;

class frmNew : public OkCancelForm {
 public:
  // The modes with rules of their own; any other value accepts any non-empty text.
  static constexpr std::int32_t kFolderNameMode = 2;
  static constexpr std::int32_t kTagNameMode = 3;

  frmNew();

  // ---- set before showing
  void SetOwner(TagStore* owner);
  TagStore* Owner() const { return owner_; }
  void SetMode(std::int32_t mode);
  std::int32_t Mode() const { return mode_; }
  // The dialog's caption, applied at the first activation ("New Name" by default).
  void SetTitleName(const std::string& title);
  const std::string& TitleName() const { return title_name_; }
  // The label in front of the text box ("Name:" by default).
  void SetLabelName(const std::string& label);
  const std::string& LabelName() const { return label_name_; }
  // The text put into the box at the first activation.
  void SetInitialName(const std::string& name);
  // The folder a new folder is to be made in (folder-name mode).
  void SetCurrentFolder(const std::string& folder);
  std::string CurrentFolder() const;
  // Tag-name mode only: an existing tag name may be accepted after the user confirms.
  void SetAllowOverwrite(bool allow);
  bool AllowOverwrite() const { return allow_overwrite_; }
  // 238 or more sets 237; 1 to 237 is taken as it is; 0 or less leaves the limit as it was.
  void SetMaxLength(int max_length);
  // The text box's current limit (0: no limit of its own).
  int MaxLength() const;

  // ---- read afterwards
  bool Accepted() const { return accepted_; }
  // The text box's text without surrounding blanks.
  std::string EnteredName() const;

  Label& lblName = Add<Label>("lblName");
  TextBox& txtName = Add<TextBox>("txtName");
  TextBox& txtCurrentFolder = Add<TextBox>("txtCurrentFolder");

 protected:
  void Form_Load() override;
  void Form_Activate() override;

 private:
  // What the rules of a mode decide about the name the user typed.
  enum class NameVerdict { kAccept, kRefuse, kCancel };

  void txtName_Change();
  void txtName_GotFocus();
  void cmdOK_Click() override;
  void cmdCancel_Click() override;
  void cmdHelp_Click() override;

  NameVerdict CheckFolderName(const std::string& name);
  // The tag-name rules of tag-name mode. They need the owner's tag
  // collection and name rules, which arrive with the tag work item; that
  // work item supplies this member (frm_new_tag_name.cpp).
  NameVerdict CheckTagName(const std::string& name);
  // Puts the focus back into the text box with all its text selected, so the
  // user can correct a refused name.
  void ReselectName();

  TagStore* owner_ = nullptr;
  std::int32_t mode_ = 0;
  bool accepted_ = false;
  std::string title_name_;
  std::string label_name_;
  std::string initial_name_;
  bool allow_overwrite_ = false;
  bool activated_ = false;
};

}  // namespace pds
