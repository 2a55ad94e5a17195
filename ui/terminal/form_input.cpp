// The user's keys in a text form, played on the dialog model through the
// same public actions a script uses (see form_view.h).
#include <algorithm>

#include "pds/Text.h"
#include "ui/terminal/form_view.h"

namespace pds::terminal {

namespace {

constexpr int kPageRows = 10;

bool Usable(const Control* c) { return c && c->Visible() && c->Enabled() && c->CanFocus(); }

bool MoveFocus(Dialog& dialog, int step, bool buttons_only = false) {
  std::vector<Control*> order = FocusOrder(dialog);
  if (buttons_only) {
    std::erase_if(order, [](const Control* c) { return c->Kind() != ControlKind::kCommandButton; });
  }
  if (order.empty()) return false;
  const int n = static_cast<int>(order.size());
  auto at = std::find(order.begin(), order.end(), dialog.ActiveControl());
  int index = at == order.end() ? (step > 0 ? -1 : 0) : static_cast<int>(at - order.begin());
  index = ((index + step) % n + n) % n;
  return dialog.Focus(order[static_cast<std::size_t>(index)]->Name());
}

// The target row after a movement key among count rows, from current (-1: none).
int MovedRow(const Key& key, int current, int count) {
  int target = current;
  switch (key.code) {
    case KeyCode::kUp: target = current < 0 ? 0 : current - 1; break;
    case KeyCode::kDown: target = current + 1; break;
    case KeyCode::kPageUp: target = current - kPageRows; break;
    case KeyCode::kPageDown: target = current + kPageRows; break;
    case KeyCode::kHome: target = 0; break;
    case KeyCode::kEnd: target = count - 1; break;
    default: return -1;
  }
  return std::clamp(target, 0, count - 1);
}

bool IsMovement(const Key& key) {
  switch (key.code) {
    case KeyCode::kUp:
    case KeyCode::kDown:
    case KeyCode::kPageUp:
    case KeyCode::kPageDown:
    case KeyCode::kHome:
    case KeyCode::kEnd: return true;
    default: return false;
  }
}

// The next entry after from (wrapping) whose text starts with the typed letter.
template <class TextOf>
int TypeAhead(const std::string& letter, int from, int count, TextOf text_of) {
  const std::string wanted = UCase(letter);
  for (int k = 1; k <= count; ++k) {
    const int i = ((from < 0 ? -1 : from) + k) % count;
    if (UCase(text_of(i)).rfind(wanted, 0) == 0) return i;
  }
  return -1;
}

// ---- text boxes: printable ASCII goes through PressKey (KeyPress, then the
// box inserts it); other edits replace the text as typing does and put the
// caret back.
bool EditTextBox(Dialog& dialog, TextBox& box, const Key& key) {
  const std::string& name = box.Name();
  const std::string text = box.Text();
  const int count = CharCount(text);
  const int start = box.SelStart();
  const int end = start + box.SelLength();
  auto replace = [&](int from, int to, const std::string& with) {
    const std::string changed = CharPrefix(text, from) + with + text.substr(CharPrefix(text, to).size());
    if (dialog.TypeText(name, changed)) box.SetSelStart(from + CharCount(with));
    return true;
  };
  auto caret = [&](int at) {
    box.SetSelStart(std::clamp(at, 0, count));
    box.SetSelLength(0);
    return true;
  };
  switch (key.code) {
    case KeyCode::kChar:
      if (box.Locked()) return true;
      if (key.text.size() == 1) {
        dialog.PressKey(name, static_cast<unsigned char>(key.text[0]));
        return true;
      }
      return replace(start, end, key.text);
    case KeyCode::kBackspace:
      if (box.Locked()) return true;
      if (end > start) return replace(start, end, "");
      return start > 0 ? replace(start - 1, start, "") : true;
    case KeyCode::kDelete:
      if (box.Locked()) return true;
      if (end > start) return replace(start, end, "");
      return start < count ? replace(start, start + 1, "") : true;
    case KeyCode::kLeft: return caret(start - 1);
    case KeyCode::kRight: return caret(box.SelLength() > 0 ? end : start + 1);
    case KeyCode::kHome: return caret(0);
    case KeyCode::kEnd: return caret(count);
    case KeyCode::kCtrl:
      switch (key.ctrl) {
        case 'A': return caret(0);
        case 'E': return caret(count);
        case 'K': return box.Locked() ? true : replace(start, count, "");
        case 'U': return box.Locked() ? true : replace(0, end, "");
        default: return false;
      }
    default: return false;
  }
}

bool EditCombo(Dialog& dialog, ComboBox& combo, const Key& key) {
  const std::string& name = combo.Name();
  const int count = combo.ListCount();
  if (IsMovement(key)) {
    if (count == 0) return true;
    const int target = MovedRow(key, combo.ListIndex(), count);
    if (target != combo.ListIndex()) dialog.SelectItem(name, target);
    return true;
  }
  if (!combo.Editable()) {
    if (key.code != KeyCode::kChar || count == 0) return false;
    const int found = TypeAhead(key.text, combo.ListIndex(), count, [&](int i) { return combo.List(i); });
    if (found >= 0 && found != combo.ListIndex()) dialog.SelectItem(name, found);
    return true;
  }
  // The edit portion of a combo box is edited at its end.
  const std::string& text = combo.Text();
  std::string changed;
  if (key.code == KeyCode::kChar) {
    changed = text + key.text;
  } else if (key.code == KeyCode::kBackspace) {
    changed = CharPrefix(text, CharCount(text) - 1);
  } else if (!key.IsCtrl('U')) {
    return false;
  }
  if (changed != text) dialog.TypeText(name, changed);
  return true;
}

bool EditListBox(Dialog& dialog, ListBox& list, const Key& key) {
  const int count = list.ListCount();
  if (count == 0) return IsMovement(key);
  if (IsMovement(key)) {
    const int target = MovedRow(key, list.ListIndex(), count);
    if (list.MultiSelect() != 0) {
      // Moving in a multi-selection list only moves; Space selects.
      list.SetListIndex(target);
    } else if (target != list.ListIndex()) {
      dialog.SelectItem(list.Name(), target);
    }
    return true;
  }
  if (key.IsChar(' ')) {
    // Space selects in a multi-selection list; elsewhere it stands for the
    // double click a terminal cannot make.
    if (list.MultiSelect() != 0 && list.ListIndex() >= 0) {
      dialog.SelectItem(list.Name(), list.ListIndex());
    } else if (list.ListIndex() >= 0) {
      dialog.DoubleClick(list.Name());
    }
    return true;
  }
  if (key.code == KeyCode::kChar) {
    const int found = TypeAhead(key.text, list.ListIndex(), count, [&](int i) { return list.List(i); });
    if (found >= 0 && found != list.ListIndex()) dialog.SelectItem(list.Name(), found);
    return true;
  }
  return false;
}

bool EditListView(Dialog& dialog, FormView& view, ListView& list, const Key& key) {
  const std::string& name = list.Name();
  const std::vector<ListItem*> rows = FilteredRows(list, view.lists[name].filter);
  const int count = static_cast<int>(rows.size());
  const auto at = std::find(rows.begin(), rows.end(), list.SelectedItem());
  const int current = at == rows.end() ? -1 : static_cast<int>(at - rows.begin());
  if (IsMovement(key)) {
    if (count == 0) return true;
    const int target = MovedRow(key, current, count);
    if (target != current) dialog.SelectItem(name, rows[static_cast<std::size_t>(target)]->Index());
    return true;
  }
  if (key.code != KeyCode::kChar) return false;
  if (key.text == "/") {
    view.editing_filter = true;
    view.filter_list = name;
    view.filter_editor.Reset(view.lists[name].filter);
    return true;
  }
  if (key.text == " ") {
    // Space checks a row, or double-clicks it in a list without check boxes.
    if (current >= 0) {
      const ListItem* item = rows[static_cast<std::size_t>(current)];
      if (list.Checkboxes()) {
        dialog.Check(name, item->Index(), !item->Checked());
      } else {
        dialog.DoubleClick(name, item->Index());
      }
    }
    return true;
  }
  if (key.text.size() == 1 && key.text[0] >= '1' && key.text[0] <= '9') {
    const int column = key.text[0] - '0';
    if (column <= list.ColumnCount()) dialog.ClickColumn(name, column);
    return true;
  }
  if (count > 0) {
    const int found = TypeAhead(key.text, current, count, [&](int i) { return rows[static_cast<std::size_t>(i)]->Text(); });
    if (found >= 0 && found != current) dialog.SelectItem(name, rows[static_cast<std::size_t>(found)]->Index());
  }
  return true;
}

// Keys while the user types a list's filter: the list follows as it is typed.
bool EditFilter(Dialog& dialog, FormView& view, const Key& key) {
  ListViewView& state = view.lists[view.filter_list];
  switch (view.filter_editor.Apply(key)) {
    case LineEditor::Action::kAccept: {
      state.filter = view.filter_editor.text();
      view.editing_filter = false;
      // The selection moves into the filtered rows, so that Enter acts on a row the user sees.
      auto* list = dialog.Find<ListView>(view.filter_list);
      if (list) {
        const std::vector<ListItem*> rows = FilteredRows(*list, state.filter);
        if (!rows.empty() && std::find(rows.begin(), rows.end(), list->SelectedItem()) == rows.end()) {
          dialog.SelectItem(list->Name(), rows.front()->Index());
        }
      }
      return true;
    }
    case LineEditor::Action::kCancel:
    case LineEditor::Action::kEndOfInput:
      state.filter.clear();
      view.editing_filter = false;
      return true;
    default: return true;
  }
}

}  // namespace

void EnsureFocus(Dialog& dialog) {
  if (Usable(dialog.ActiveControl())) return;
  for (Control* c : FocusOrder(dialog)) {
    if (dialog.Focus(c->Name())) break;
  }
  dialog.TakeRefusals();
}

bool HandleFormKey(Dialog& dialog, FormView& view, const Key& key) {
  view.status.clear();
  bool handled = true;
  if (view.editing_filter) {
    handled = EditFilter(dialog, view, key);
  } else {
    EnsureFocus(dialog);
    Control* focus = dialog.ActiveControl();
    if (key.Is(KeyCode::kTab) || key.Is(KeyCode::kBackTab)) {
      MoveFocus(dialog, key.Is(KeyCode::kTab) ? 1 : -1);
    } else if (key.Is(KeyCode::kEscape) || key.IsCtrl('C')) {
      // Escape closes the form as its close box does; the dialog decides what that means.
      dialog.CloseByUser();
    } else if (!focus) {
      if (key.Is(KeyCode::kEnter)) dialog.PressEnter();
      handled = key.Is(KeyCode::kEnter);
    } else if (key.Is(KeyCode::kEnter)) {
      if (focus->Kind() == ControlKind::kCommandButton) {
        dialog.ClickButton(focus->Name());
      } else {
        dialog.PressKey(focus->Name(), vbKeyReturn);
      }
    } else {
      switch (focus->Kind()) {
        case ControlKind::kTextBox: handled = EditTextBox(dialog, static_cast<TextBox&>(*focus), key); break;
        case ControlKind::kComboBox: handled = EditCombo(dialog, static_cast<ComboBox&>(*focus), key); break;
        case ControlKind::kListBox: handled = EditListBox(dialog, static_cast<ListBox&>(*focus), key); break;
        case ControlKind::kListView: handled = EditListView(dialog, view, static_cast<ListView&>(*focus), key); break;
        case ControlKind::kTabStrip: {
          auto& strip = static_cast<TabStrip&>(*focus);
          const int current = strip.SelectedItem() ? strip.SelectedItem()->Index() : 0;
          if (key.Is(KeyCode::kLeft) && current > 1) dialog.SelectTab(strip.Name(), current - 1);
          if (key.Is(KeyCode::kRight) && current < strip.TabCount()) dialog.SelectTab(strip.Name(), current + 1);
          handled = key.Is(KeyCode::kLeft) || key.Is(KeyCode::kRight);
          break;
        }
        case ControlKind::kCheckBox:
        case ControlKind::kOptionButton:
        case ControlKind::kCommandButton:
          if (key.IsChar(' ')) {
            dialog.ClickButton(focus->Name());
          } else if (focus->Kind() == ControlKind::kCommandButton &&
                     (key.Is(KeyCode::kLeft) || key.Is(KeyCode::kRight))) {
            MoveFocus(dialog, key.Is(KeyCode::kRight) ? 1 : -1, true);
          } else {
            handled = false;
          }
          break;
        default: handled = false;
      }
      // Up and Down leave a control that has no rows of its own, as they do in a form.
      if (!handled && (key.Is(KeyCode::kUp) || key.Is(KeyCode::kDown))) {
        MoveFocus(dialog, key.Is(KeyCode::kDown) ? 1 : -1);
        handled = true;
      }
    }
  }
  // A refused action (a disabled control, validation keeping the focus) is
  // shown, not silent; the model keeps its own record only until read here.
  std::vector<std::string> refusals = dialog.TakeRefusals();
  if (!refusals.empty()) view.status = refusals.back();
  return handled;
}

}  // namespace pds::terminal
