// The base of every dialog model (frmSelect, frmNew, frmFolder ...): a form
// name, a caption, an optional help context, the controls registered by name
// in creation order, and the form events as virtual hooks. A dialog model
// holds state, validation and the user's choice and never draws; the UI host
// (Ui()) presents it.
//
// Life cycle, as the form toolkit the dialogs were designed against has it:
//   Load()    runs Form_Load once (Show loads an unloaded dialog itself);
//   Show()    makes the dialog visible and runs it modally through
//             Ui().RunModal; the host calls Activate() once the window is
//             shown, and returns when the dialog is hidden or unloaded;
//   Hide()    ends the modal run but keeps the model, so the caller can read
//             the user's choice afterwards;
//   Unload()  asks Form_QueryUnload and Form_Unload (either may cancel),
//             then marks the dialog closed; loading it again runs Form_Load
//             again on the same object.
// When a modal dialog shown from another one ends, the owner is activated
// again (Form_Activate runs once more), so one-time set-up belongs behind a
// "first activation done" flag.
//
// User actions (TypeText, ClickButton, Check ...) are what a host or a script
// does in the user's place. They act only on a shown dialog and on controls
// that are enabled and visible; anything else is refused: the action returns
// false and the reason is kept in refusals(), so a script's mistakes are
// caught rather than silently ignored.
//
// Nothing here throws: a handler that raises is reported through the common
// error reporter (titled "form.handler") and the action carries on.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pds/Controls.h"

namespace pds {

// Why a dialog is being unloaded (Form_QueryUnload's unload_mode).
enum UnloadMode : int { vbFormControlMenu = 0, vbFormCode = 1 };

class Dialog {
 public:
  explicit Dialog(std::string form_name);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  const std::string& FormName() const { return form_name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  // The help topic of the dialog; 0 means the help contents.
  long HelpContextID() const { return help_context_; }
  void SetHelpContextID(long context) { help_context_ = context; }

  // ---- controls
  // Creates a control owned by the dialog. Names are unique within a dialog
  // and compared without regard to case.
  template <class T>
  T& Add(std::string name) {
    auto control = std::make_unique<T>(std::move(name));
    T& ref = *control;
    Register(std::move(control));
    return ref;
  }
  Control* FindControl(const std::string& name) const;
  template <class T>
  T* Find(const std::string& name) const {
    return dynamic_cast<T*>(FindControl(name));
  }
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
  // The button Enter presses, and the one Escape presses; null when none.
  CommandButton* DefaultButton() const;
  CommandButton* CancelButton() const;

  // ---- life cycle
  // Runs Form_Load unless loaded; returns loaded().
  bool Load();
  // Shows the dialog modally and returns once it is hidden or unloaded. A
  // dialog already shown is left as it is.
  void Show();
  // Shows the dialog without waiting (progress windows); Refresh redraws it.
  void ShowModeless();
  void Refresh();
  void Hide();
  // True when the dialog ended up unloaded (nobody cancelled).
  bool Unload();
  // Runs Form_Activate; called by the host when the window becomes active.
  void Activate();
  bool visible() const { return visible_; }
  bool loaded() const { return loaded_; }
  bool modeless() const { return modeless_; }

  // ---- focus
  Control* ActiveControl() const { return active_; }
  // Moves the focus: validates the control losing it (unless the target does
  // not cause validation), then LostFocus and GotFocus. False when the target
  // cannot take the focus or validation kept it where it was.
  bool SetFocus(Control& control);

  // ---- the user's actions (see the file comment)
  // Replaces the text of a text box or an editable combo box as the user's
  // typing does: KeyPress for each ASCII character (a handler may change or
  // swallow it), the result cut to MaxLength, then one Change.
  bool TypeText(const std::string& control, const std::string& text);
  // A click on a button (Click), a check box (toggles it), an option button
  // (selects it) or any other control (Click).
  bool ClickButton(const std::string& control);
  // A double click; on a list view, item (1-based) is the item under the
  // pointer, 0 for empty space: the first click selects it as a click does.
  bool DoubleClick(const std::string& control, int item = 0);
  // Sets the check mark of list-view item index (1-based) as the user's click
  // on its check box does (ItemCheck on a change).
  bool Check(const std::string& list_view, int index, bool checked);
  // Selects an entry: list view items are 1-based (ItemClick, then Click),
  // list and combo box entries 0-based as their ListIndex (Click).
  bool SelectItem(const std::string& list, int index);
  // Selects tab index (1-based) of a tab strip.
  bool SelectTab(const std::string& tab_strip, int index);
  // A click on column header index (1-based) of a list view.
  bool ClickColumn(const std::string& list_view, int index);
  // A key pressed in a control: Enter and Escape go to the default and the
  // Cancel button when there is one; other keys fire KeyPress, and a
  // printable key the handler lets through is typed into a text box.
  bool PressKey(const std::string& control, int key_ascii);
  bool Focus(const std::string& control);
  // The window's close box: Form_QueryUnload (vbFormControlMenu), then
  // Form_Unload. True when the dialog is no longer visible afterwards.
  bool CloseByUser();
  bool PressEnter();
  bool PressEscape();

  // Refused actions since the last TakeRefusals, in order.
  const std::vector<std::string>& refusals() const { return refusals_; }
  std::vector<std::string> TakeRefusals();

  // The dialog and its controls' state, one control per line, for hosts that
  // render text and for the scripted host's records.
  std::string Describe() const;

  // The modal dialogs now running, the innermost last.
  static const std::vector<Dialog*>& ModalStack();
  static Dialog* InnermostModal();

 protected:
  // Moves a control of this dialog after all the others: a base class that
  // adds controls before its derived form does puts them where the form
  // would have declared them, since hosts draw and tab in this order.
  void MoveToEnd(const Control& control);

  virtual void Form_Load() {}
  virtual void Form_Activate() {}
  virtual void Form_QueryUnload(bool& /*cancel*/, int /*unload_mode*/) {}
  virtual void Form_Unload(bool& /*cancel*/) {}

 private:
  void Register(std::unique_ptr<Control> control);
  // Runs a form hook; failures are reported under "form.hook".
  void GuardHook(const char* hook, const std::function<void()>& fn);
  bool Refuse(std::string reason);
  // The control for an action: present, of the dialog, enabled and visible.
  Control* Usable(const std::string& name, const char* action);
  // As Usable, for an action that needs a T; a control of another kind is
  // refused as "not a <kind>".
  template <class T>
  T* UsableAs(const std::string& name, const char* action, const char* kind) {
    Control* c = Usable(name, action);
    if (!c) return nullptr;
    auto* t = dynamic_cast<T*>(c);
    if (!t) Refuse(std::string(action) + " " + name + ": not a " + kind);
    return t;
  }
  bool UnloadWith(int unload_mode);
  void Hidden();

  std::string form_name_;
  std::string caption_;
  long help_context_ = 0;
  std::vector<std::unique_ptr<Control>> controls_;
  Control* active_ = nullptr;
  bool loaded_ = false;
  bool visible_ = false;
  bool modeless_ = false;
  bool in_modal_ = false;
  std::vector<std::string> refusals_;
};

}  // namespace pds
