#include "pds/Dialog.h"

#include <algorithm>

#include "ui/messages.h"
#include "ui/handler_guard.h"
#include "pds/UiHost.h"

namespace pds {

namespace {
// The modal dialogs now running; the UI is single-threaded, so one list serves.
std::vector<Dialog*>& Stack() {
  static std::vector<Dialog*> stack;
  return stack;
}

void EraseFromStack(Dialog* dialog) {
  auto& s = Stack();
  s.erase(std::remove(s.begin(), s.end(), dialog), s.end());
}
}  // namespace

Dialog::Dialog(std::string form_name) : form_name_(std::move(form_name)) {}

Dialog::~Dialog() {
  if (visible_ && modeless_) {
    ui_detail::RunGuarded(form_name_ + ".Hide", [this] { Ui().CloseModeless(*this); });
  }
  EraseFromStack(this);
}

const std::vector<Dialog*>& Dialog::ModalStack() { return Stack(); }

Dialog* Dialog::InnermostModal() { return Stack().empty() ? nullptr : Stack().back(); }

void Dialog::Register(std::unique_ptr<Control> control) {
  control->parent_ = this;
  controls_.push_back(std::move(control));
}

void Dialog::MoveToEnd(const Control& control) {
  auto it = std::find_if(controls_.begin(), controls_.end(), [&](const auto& c) { return c.get() == &control; });
  if (it != controls_.end()) std::rotate(it, it + 1, controls_.end());
}

Control* Dialog::FindControl(const std::string& name) const {
  for (const auto& c : controls_) {
    if (EqualsNoCase(c->Name(), name)) return c.get();
  }
  return nullptr;
}

CommandButton* Dialog::DefaultButton() const {
  for (const auto& c : controls_) {
    auto* b = dynamic_cast<CommandButton*>(c.get());
    if (b && b->Default()) return b;
  }
  return nullptr;
}

CommandButton* Dialog::CancelButton() const {
  for (const auto& c : controls_) {
    auto* b = dynamic_cast<CommandButton*>(c.get());
    if (b && b->Cancel()) return b;
  }
  return nullptr;
}

void Dialog::GuardHook(const char* hook, const std::function<void()>& fn) {
  ui_detail::RunGuarded(form_name_ + "." + hook, fn);
}

// ---- life cycle

bool Dialog::Load() {
  if (loaded_) return true;
  // Loaded while Form_Load runs, so that the handler may unload the dialog again.
  loaded_ = true;
  GuardHook("Form_Load", [this] { Form_Load(); });
  return loaded_;
}

void Dialog::Show() {
  if (visible_ || in_modal_) return;
  if (!Load()) return;
  Dialog* owner = InnermostModal();
  visible_ = true;
  modeless_ = false;
  in_modal_ = true;
  Stack().push_back(this);
  ui_detail::RunGuarded(form_name_ + ".Show", [this] { Ui().RunModal(*this); });
  EraseFromStack(this);
  in_modal_ = false;
  // A host that gives up its loop (the application quitting) leaves the dialog closed.
  visible_ = false;
  // Focus returns to the dialog that showed this one, which the toolkit reports as an activation.
  if (owner && owner->visible_ && owner->loaded_) owner->Activate();
}

void Dialog::ShowModeless() {
  if (visible_ || in_modal_) return;
  if (!Load()) return;
  visible_ = true;
  modeless_ = true;
  ui_detail::RunGuarded(form_name_ + ".Show", [this] { Ui().ShowModeless(*this); });
}

void Dialog::Refresh() {
  if (visible_ && modeless_) ui_detail::RunGuarded(form_name_ + ".Refresh", [this] { Ui().Refresh(*this); });
}

void Dialog::Hidden() {
  bool was_modeless = visible_ && modeless_;
  visible_ = false;
  modeless_ = false;
  if (was_modeless) ui_detail::RunGuarded(form_name_ + ".Hide", [this] { Ui().CloseModeless(*this); });
}

void Dialog::Hide() {
  if (visible_) Hidden();
}

bool Dialog::Unload() { return UnloadWith(vbFormCode); }

bool Dialog::UnloadWith(int unload_mode) {
  if (!loaded_) return true;
  bool cancel = false;
  GuardHook("Form_QueryUnload", [&] { Form_QueryUnload(cancel, unload_mode); });
  if (cancel) return false;
  GuardHook("Form_Unload", [&] { Form_Unload(cancel); });
  if (cancel) return false;
  Hidden();
  loaded_ = false;
  active_ = nullptr;
  return true;
}

void Dialog::Activate() { GuardHook("Form_Activate", [this] { Form_Activate(); }); }

// ---- focus

bool Dialog::SetFocus(Control& control) {
  if (control.Parent() != this || !control.CanFocus() || !control.Enabled() || !control.Visible()) return false;
  if (active_ == &control) return true;
  if (active_ && control.CausesValidation() && !active_->FireValidate()) return false;
  Control* previous = active_;
  active_ = &control;
  if (previous) previous->FireLostFocus();
  control.FireGotFocus();
  return true;
}

// ---- the user's actions

bool Dialog::Refuse(std::string reason) {
  refusals_.push_back(form_name_ + ": " + std::move(reason));
  return false;
}

std::vector<std::string> Dialog::TakeRefusals() {
  std::vector<std::string> taken;
  taken.swap(refusals_);
  return taken;
}

Control* Dialog::Usable(const std::string& name, const char* action) {
  std::string what = std::string(action) + " " + name + ": ";
  if (!visible_) {
    Refuse(what + "the dialog is not shown");
    return nullptr;
  }
  Control* c = FindControl(name);
  if (!c) {
    Refuse(what + "no such control");
  } else if (!c->Visible()) {
    Refuse(what + "the control is not visible");
  } else if (!c->Enabled()) {
    Refuse(what + "the control is disabled");
  } else if (c->CanFocus() && !SetFocus(*c)) {
    Refuse(what + "the focus could not move to the control");
  } else {
    return c;
  }
  return nullptr;
}

bool Dialog::TypeText(const std::string& control, const std::string& text) {
  Control* c = Usable(control, "type");
  if (!c) return false;
  auto* box = dynamic_cast<TextBox*>(c);
  auto* combo = dynamic_cast<ComboBox*>(c);
  if (!box && !(combo && combo->Editable())) return Refuse("type " + control + ": the control takes no typing");
  if (box && box->Locked()) return Refuse("type " + control + ": the text box is locked");
  std::string typed;
  for (char ch : text) {
    auto u = static_cast<unsigned char>(ch);
    if (u >= 0x80) {
      typed.push_back(ch);
      continue;
    }
    int key = u;
    c->FireKeyPress(key);
    if (key > 0 && key < 256) typed.push_back(static_cast<char>(key));
  }
  if (box) {
    if (box->MaxLength() > 0) typed = CharPrefix(typed, box->MaxLength());
    box->SetText(typed);
    box->SetSelStart(CharCount(box->Text()));
  } else {
    combo->SetText(typed);
  }
  return true;
}

bool Dialog::ClickButton(const std::string& control) {
  Control* c = Usable(control, "click");
  if (!c) return false;
  if (auto* check = dynamic_cast<CheckBox*>(c)) {
    check->SetValue(check->Value() == vbChecked ? vbUnchecked : vbChecked);
  } else if (auto* option = dynamic_cast<OptionButton*>(c); option && !option->Value()) {
    option->SetValue(true);
  } else {
    if (auto* list = dynamic_cast<ListView*>(c)) list->SetPointerItem(nullptr);
    c->FireClick();
  }
  return true;
}

bool Dialog::DoubleClick(const std::string& control, int item) {
  Control* c = Usable(control, "dblclick");
  if (!c) return false;
  if (auto* list = dynamic_cast<ListView*>(c)) {
    ListItem* hit = nullptr;
    if (item > 0) {
      hit = list->Item(item);
      if (!hit) return Refuse("dblclick " + control + ": no item " + std::to_string(item));
      // The first click of the double click selects the item under the pointer.
      list->SetSelectedItem(hit);
      list->SetPointerItem(hit);
      list->FireItemClick(*hit);
      list->FireClick();
    }
    list->SetPointerItem(hit);
  }
  c->FireDblClick();
  return true;
}

bool Dialog::Check(const std::string& list_view, int index, bool checked) {
  auto* list = UsableAs<ListView>(list_view, "check", "list view");
  if (!list) return false;
  if (!list->Checkboxes()) return Refuse("check " + list_view + ": the list has no check boxes");
  ListItem* item = list->Item(index);
  if (!item) return Refuse("check " + list_view + ": no item " + std::to_string(index));
  if (item->Checked() != checked) {
    item->SetChecked(checked);
    list->FireItemCheck(*item);
  }
  return true;
}

bool Dialog::SelectItem(const std::string& list, int index) {
  Control* c = Usable(list, "select");
  if (!c) return false;
  std::string missing = "select " + list + ": no item " + std::to_string(index);
  if (auto* view = dynamic_cast<ListView*>(c)) {
    ListItem* item = view->Item(index);
    if (!item) return Refuse(missing);
    view->SetSelectedItem(item);
    view->SetPointerItem(item);
    view->FireItemClick(*item);
    view->FireClick();
    return true;
  }
  auto* entries = dynamic_cast<ListControl*>(c);
  if (!entries) return Refuse("select " + list + ": not a list");
  if (index < 0 || index >= entries->ListCount()) return Refuse(missing);
  auto* box = dynamic_cast<ListBox*>(c);
  if (box && box->MultiSelect() != 0) return box->SetSelected(index, !box->Selected(index));
  // A click on the entry already selected still reports the click.
  if (entries->ListIndex() == index) {
    entries->FireClick();
  } else {
    entries->SetListIndex(index);
  }
  return true;
}

bool Dialog::SelectTab(const std::string& tab_strip, int index) {
  auto* strip = UsableAs<TabStrip>(tab_strip, "tab", "tab strip");
  if (!strip) return false;
  if (!strip->SetSelectedItem(index)) return Refuse("tab " + tab_strip + ": no tab " + std::to_string(index));
  return true;
}

bool Dialog::ClickColumn(const std::string& list_view, int index) {
  auto* list = UsableAs<ListView>(list_view, "column", "list view");
  if (!list) return false;
  ColumnHeader* column = list->Column(index);
  if (!column) return Refuse("column " + list_view + ": no column " + std::to_string(index));
  list->FireColumnClick(*column);
  return true;
}

bool Dialog::PressKey(const std::string& control, int key_ascii) {
  Control* c = Usable(control, "key");
  if (!c) return false;
  // With a default or Cancel button the dialog takes Enter and Escape before the control sees them.
  if (key_ascii == vbKeyReturn && DefaultButton()) return PressEnter();
  if (key_ascii == vbKeyEscape && CancelButton()) return PressEscape();
  int key = key_ascii;
  c->FireKeyPress(key);
  auto* box = dynamic_cast<TextBox*>(c);
  if (box && !box->Locked() && key >= 32 && key < 127) {
    const std::string& text = box->Text();
    int start = box->SelStart();
    std::string before = CharPrefix(text, start);
    std::string after = text.substr(CharPrefix(text, start + box->SelLength()).size());
    std::string changed = before + static_cast<char>(key) + after;
    if (box->MaxLength() == 0 || CharCount(changed) <= box->MaxLength()) {
      box->SetText(changed);
      box->SetSelStart(start + 1);
    }
  }
  return true;
}

bool Dialog::Focus(const std::string& control) { return Usable(control, "focus") != nullptr; }

bool Dialog::CloseByUser() {
  if (!visible_) return Refuse("close: the dialog is not shown");
  UnloadWith(vbFormControlMenu);
  return !visible_;
}

bool Dialog::PressEnter() {
  if (!visible_) return Refuse("enter: the dialog is not shown");
  CommandButton* button = DefaultButton();
  if (!button) return Refuse("enter: the dialog has no default button");
  return ClickButton(button->Name());
}

bool Dialog::PressEscape() {
  if (!visible_) return Refuse("escape: the dialog is not shown");
  CommandButton* button = CancelButton();
  if (!button) return Refuse("escape: the dialog has no Cancel button");
  return ClickButton(button->Name());
}

std::string Dialog::Describe() const {
  std::string s = form_name_ + " " + ui_detail::Quoted(caption_);
  for (const auto& c : controls_) s += "\n  " + c->Describe();
  return s;
}

}  // namespace pds
