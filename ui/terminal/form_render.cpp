// Drawing a dialog model as a text form (see form_view.h for the layout).
#include <algorithm>

#include "pds/Text.h"
#include "ui/terminal/form_view.h"

namespace pds::terminal {

namespace {

constexpr int kLabelColumnMax = 28;
constexpr int kFieldMax = 48;
constexpr int kColumnMax = 40;
constexpr int kListBoxRows = 6;
constexpr int kMinListRows = 3;
constexpr int kProgressWidth = 30;

// One control's lines; a list's lines are made once the rows it may use are known.
struct Block {
  std::vector<StyledLine> lines;
  int cursor_line = -1;
  int cursor_column = 0;
  const ListView* list = nullptr;
};

bool IsField(const Control& c) {
  return c.Visible() && (c.Kind() == ControlKind::kTextBox || c.Kind() == ControlKind::kComboBox);
}

std::string FirstLine(const std::string& text) { return MessageLines(text).front(); }

// A button's, tab's or check box's caption as drawn: "&" marks the access
// key of a desktop dialog and is not shown; "&&" stands for one "&". Labels
// keep their text as it is, since they often show a user's own names.
std::string WithoutAccessKey(const std::string& caption) {
  std::string shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

Style Shown(const Control& c, Style style) {
  if (c.Enabled()) return style;
  return style == Style::kReverse ? Style::kDimReverse : Style::kDim;
}

class FormPainter {
 public:
  FormPainter(const Dialog& dialog, FormView& view, int width, int height)
      : dialog_(dialog), view_(view), width_(std::max(width, 20)), height_(std::max(height, 8)),
        focus_(dialog.ActiveControl()) {}

  Screen Paint();

 private:
  int LabelColumn() const;
  int FieldWidth(int start) const { return std::clamp(width_ - start - 3, 8, kFieldMax); }
  void AddLabel(const Label& label, std::vector<Block>* blocks) const;
  // A text box or combo box after a prefix (its label, or blanks).
  Block Field(const Control& c, StyledLine prefix) const;
  Block TextField(const TextBox& box, StyledLine prefix) const;
  Block Choice(const Control& c) const;
  Block Tabs(const TabStrip& strip) const;
  Block Progress(const ProgressBar& bar) const;
  Block ListBoxRows(const ListBox& list) const;
  Block ListViewRows(const ListView& list, int rows) const;
  std::vector<StyledLine> ButtonRows() const;
  StyledLine KeyLine() const;

  const Dialog& dialog_;
  FormView& view_;
  int width_;
  int height_;
  const Control* focus_;
};

int FormPainter::LabelColumn() const {
  int column = 0;
  const auto& controls = dialog_.Controls();
  for (std::size_t i = 0; i + 1 < controls.size(); ++i) {
    if (controls[i]->Kind() == ControlKind::kLabel && controls[i]->Visible() && IsField(*controls[i + 1])) {
      column = std::max(column, CharCount(FirstLine(controls[i]->Caption())) + 1);
    }
  }
  return std::min(column, kLabelColumnMax);
}

void FormPainter::AddLabel(const Label& label, std::vector<Block>* blocks) const {
  Block block;
  for (const std::string& line : MessageLines(label.Caption())) {
    for (const std::string& part : WrapLine(line, width_ - 2)) {
      block.lines.push_back(StyledLine(" " + part, Shown(label, Style::kPlain)));
    }
  }
  if (!label.Caption().empty()) blocks->push_back(std::move(block));
}

Block FormPainter::TextField(const TextBox& box, StyledLine prefix) const {
  Block block;
  const int start = prefix.Width();
  const int field = FieldWidth(start);
  const bool focused = focus_ == &box;
  const char open = box.Locked() ? ' ' : '[';
  const char close = box.Locked() ? ' ' : ']';
  if (box.MultiLine()) {
    bool first = true;
    for (const std::string& text_line : MessageLines(box.Text())) {
      StyledLine line = first ? prefix : StyledLine(std::string(static_cast<std::size_t>(start), ' '));
      line.Add(std::string(1, open) + FitText(text_line, field) + close, Shown(box, Style::kPlain));
      block.lines.push_back(std::move(line));
      first = false;
    }
    if (focused) {
      block.cursor_line = static_cast<int>(block.lines.size()) - 1;
      block.cursor_column = start + 1 + std::min(CharCount(MessageLines(box.Text()).back()), field - 1);
    }
    return block;
  }
  const std::string& text = box.Text();
  const int caret = box.SelStart();
  // A long text scrolls sideways so that the caret stays in the field.
  const int first = focused && caret >= field ? caret - field + 1 : 0;
  const std::string visible = CharPrefix(text.substr(CharPrefix(text, first).size()), field);
  const int sel_from = std::clamp(box.SelStart() - first, 0, field);
  const int sel_to = std::clamp(box.SelStart() + box.SelLength() - first, 0, field);
  StyledLine line = std::move(prefix);
  line.Add(std::string(1, open), Shown(box, Style::kPlain));
  if (focused && sel_to > sel_from) {
    line.Add(CharPrefix(visible, sel_from));
    const std::string rest = visible.substr(CharPrefix(visible, sel_from).size());
    line.Add(CharPrefix(rest, sel_to - sel_from), Style::kReverse);
    line.Add(rest.substr(CharPrefix(rest, sel_to - sel_from).size()));
  } else {
    line.Add(visible, Shown(box, Style::kPlain));
  }
  line.PadTo(start + 1 + field);
  line.Add(std::string(1, close), Shown(box, Style::kPlain));
  block.lines.push_back(std::move(line));
  if (focused) {
    block.cursor_line = 0;
    block.cursor_column = start + 1 + std::min(caret - first, field);
  }
  return block;
}

Block FormPainter::Field(const Control& c, StyledLine prefix) const {
  if (c.Kind() == ControlKind::kTextBox) return TextField(static_cast<const TextBox&>(c), std::move(prefix));
  const auto& combo = static_cast<const ComboBox&>(c);
  Block block;
  const int start = prefix.Width();
  const int field = FieldWidth(start) - 2;
  const bool focused = focus_ == &combo;
  StyledLine line = std::move(prefix);
  // Entries may carry data far to the right, out of sight, as a drop-down shows them.
  line.Add("[" + FitText(combo.Text(), field) + " v]", Shown(combo, focused ? Style::kBold : Style::kPlain));
  block.lines.push_back(std::move(line));
  if (focused && combo.Editable()) {
    block.cursor_line = 0;
    block.cursor_column = start + 1 + std::min(CharCount(combo.Text()), field - 1);
  }
  return block;
}

Block FormPainter::Choice(const Control& c) const {
  std::string mark;
  if (c.Kind() == ControlKind::kCheckBox) {
    const int value = static_cast<const CheckBox&>(c).Value();
    mark = value == vbChecked ? "[x]" : value == vbGrayed ? "[-]" : "[ ]";
  } else {
    mark = static_cast<const OptionButton&>(c).Value() ? "(*)" : "( )";
  }
  StyledLine line(" ");
  line.Add(mark, Shown(c, focus_ == &c ? Style::kReverse : Style::kPlain));
  line.Add(" " + WithoutAccessKey(FirstLine(c.Caption())), Shown(c, Style::kPlain));
  Block block;
  block.lines.push_back(std::move(line));
  return block;
}

Block FormPainter::Tabs(const TabStrip& strip) const {
  StyledLine line(" ");
  for (int i = 1; i <= strip.TabCount(); ++i) {
    const Tab* tab = strip.GetTab(i);
    const bool selected = tab == strip.SelectedItem();
    if (i > 1) line.Add(" | ");
    if (selected) {
      line.Add("[" + WithoutAccessKey(tab->Caption()) + "]", Shown(strip, focus_ == &strip ? Style::kReverse : Style::kBold));
    } else {
      line.Add(" " + WithoutAccessKey(tab->Caption()) + " ", Shown(strip, Style::kPlain));
    }
  }
  Block block;
  block.lines.push_back(std::move(line));
  return block;
}

Block FormPainter::Progress(const ProgressBar& bar) const {
  const long span = bar.Max() - bar.Min();
  const long percent = span > 0 ? (bar.Value() - bar.Min()) * 100 / span : 0;
  const int filled = static_cast<int>(percent * kProgressWidth / 100);
  Block block;
  block.lines.push_back(StyledLine(" [" + std::string(static_cast<std::size_t>(filled), '#') +
                                   std::string(static_cast<std::size_t>(kProgressWidth - filled), '.') + "] " +
                                   std::to_string(percent) + "%"));
  return block;
}

Block FormPainter::ListBoxRows(const ListBox& list) const {
  Block block;
  ListViewView& state = view_.lists[list.Name()];
  const int count = list.ListCount();
  const int rows = std::min(count, kListBoxRows);
  const int selected = list.ListIndex();
  if (selected >= 0 && selected < state.scroll) state.scroll = selected;
  if (selected >= state.scroll + rows) state.scroll = selected - rows + 1;
  state.scroll = std::clamp(state.scroll, 0, std::max(0, count - rows));
  const bool focused = focus_ == &list;
  for (int i = state.scroll; i < state.scroll + rows; ++i) {
    const bool on = list.MultiSelect() != 0 ? list.Selected(i) : i == selected;
    std::string text = list.MultiSelect() != 0 ? std::string(on ? "[x] " : "[ ] ") + list.List(i) : list.List(i);
    StyledLine line(on && list.MultiSelect() == 0 ? ">" : " ");
    line.Add(" " + FitText(text, width_ - 3), Shown(list, on && focused ? Style::kReverse : Style::kPlain));
    block.lines.push_back(std::move(line));
  }
  if (count == 0) block.lines.push_back(StyledLine("   (no entries)", Style::kDim));
  return block;
}

Block FormPainter::ListViewRows(const ListView& list, int rows) const {
  Block block;
  ListViewView& state = view_.lists[list.Name()];
  const bool focused = focus_ == &list;
  const bool editing = view_.editing_filter && view_.filter_list == list.Name();
  const std::string filter = editing ? view_.filter_editor.text() : state.filter;
  const std::vector<ListItem*> shown = FilteredRows(list, filter);
  const int count = static_cast<int>(shown.size());
  const std::string checkbox_room = list.Checkboxes() ? "    " : "";

  // Column widths: as the model sets them, or the widest of header and cells.
  std::vector<int> widths;
  for (int c = 1; c <= list.ColumnCount(); ++c) {
    int w = list.Column(c)->Width();
    if (w <= 0) {
      w = CharCount(list.Column(c)->Text()) + 2;
      for (int i = 1; i <= list.ItemCount(); ++i) w = std::max(w, CharCount(list.Item(i)->ColumnText(c - 1)));
    }
    widths.push_back(std::min(w, kColumnMax));
  }
  auto cells = [&](auto text_of) {
    std::string out;
    for (std::size_t c = 0; c < widths.size(); ++c) {
      out += (c == 0 ? "" : "  ") + (c + 1 == widths.size() ? text_of(c) : FitText(text_of(c), widths[c]));
    }
    return out;
  };

  std::string header = cells([&](std::size_t c) {
    std::string text = list.Column(static_cast<int>(c) + 1)->Text();
    if (list.Sorted() && list.SortKey() == static_cast<int>(c)) {
      text += list.SortOrder() == lvwDescending ? " v" : " ^";
    }
    return text;
  });
  rows = std::max(1, std::min(rows, count));
  const ListItem* selected = list.SelectedItem();
  int selected_row = -1;
  for (int i = 0; i < count; ++i) {
    if (shown[static_cast<std::size_t>(i)] == selected) selected_row = i;
  }
  if (selected_row >= 0 && selected_row < state.scroll) state.scroll = selected_row;
  if (selected_row >= state.scroll + rows) state.scroll = selected_row - rows + 1;
  state.scroll = std::clamp(state.scroll, 0, std::max(0, count - rows));
  if (count > rows) {
    header += "   (" + std::to_string(state.scroll + 1) + "-" + std::to_string(std::min(count, state.scroll + rows)) +
              " of " + std::to_string(count) + ")";
  }
  block.lines.push_back(StyledLine("  " + checkbox_room + header, Shown(list, focused ? Style::kBold : Style::kDim)));

  if (editing || !filter.empty()) {
    StyledLine line("  /" + filter, editing ? Style::kPlain : Style::kBold);
    line.Add("   (" + std::to_string(count) + " of " + std::to_string(list.ItemCount()) + ")", Style::kDim);
    if (editing) {
      block.cursor_line = 1;
      block.cursor_column = 3 + view_.filter_editor.caret();
    }
    block.lines.push_back(std::move(line));
  }
  // Without the focus the selection shows only when the list does not hide it.
  const bool selection_shown = focused || !list.HideSelection();
  for (int i = state.scroll; i < std::min(count, state.scroll + rows); ++i) {
    const ListItem* item = shown[static_cast<std::size_t>(i)];
    const bool on = item == selected && selection_shown;
    StyledLine line(on ? ">" : " ");
    line.Add(" ");
    std::string text;
    if (list.Checkboxes()) text = item->Checked() ? "[x] " : "[ ] ";
    text += cells([&](std::size_t c) { return item->ColumnText(static_cast<int>(c)); });
    line.Add(on ? FitText(text, width_ - 3) : text, Shown(list, on && focused ? Style::kReverse : Style::kPlain));
    block.lines.push_back(std::move(line));
  }
  if (list.ItemCount() == 0) {
    block.lines.push_back(StyledLine("   (no entries)", Style::kDim));
  } else if (count == 0) {
    block.lines.push_back(StyledLine("   (no entries match the filter)", Style::kDim));
  }
  return block;
}

std::vector<StyledLine> FormPainter::ButtonRows() const {
  std::vector<StyledLine> rows;
  StyledLine row(" ");
  for (const auto& c : dialog_.Controls()) {
    if (c->Kind() != ControlKind::kCommandButton || !c->Visible()) continue;
    const auto& button = static_cast<const CommandButton&>(*c);
    const std::string caption = WithoutAccessKey(button.Caption());
    const std::string text = button.Enabled() ? "[ " + caption + " ]" : "( " + caption + " )";
    if (row.Width() > 1 && row.Width() + CharCount(text) + 2 > width_) {
      rows.push_back(std::move(row));
      row = StyledLine(" ");
    }
    if (row.Width() > 1) row.Add("  ");
    Style style = Style::kPlain;
    if (focus_ == &button) {
      style = Style::kReverse;
    } else if (button.Default()) {
      style = Style::kBold;
    }
    row.Add(text, Shown(button, style));
  }
  if (row.Width() > 1) rows.push_back(std::move(row));
  return rows;
}

StyledLine FormPainter::KeyLine() const {
  if (!view_.status.empty()) return StyledLine(" ! " + view_.status, Style::kBold);
  if (view_.editing_filter) return StyledLine(" Enter: keep the filter   Esc: clear it", Style::kDim);
  std::string keys = " Tab/Shift-Tab: move";
  if (focus_) {
    switch (focus_->Kind()) {
      case ControlKind::kListView:
        keys += "  Up/Down: select  /: filter  1-9: sort";
        keys += static_cast<const ListView*>(focus_)->Checkboxes() ? "  Space: check" : "  Space: double-click";
        break;
      case ControlKind::kComboBox: keys += "  Up/Down: select"; break;
      case ControlKind::kListBox:
        keys += "  Up/Down: select";
        keys += static_cast<const ListBox*>(focus_)->MultiSelect() != 0 ? "  Space: select" : "  Space: double-click";
        break;
      case ControlKind::kTabStrip: keys += "  Left/Right: tab"; break;
      case ControlKind::kCheckBox:
      case ControlKind::kOptionButton: keys += "  Space: toggle"; break;
      default: break;
    }
  }
  const CommandButton* default_button = dialog_.DefaultButton();
  if (focus_ && focus_->Kind() == ControlKind::kCommandButton) {
    keys += "  Enter: press";
  } else if (default_button && default_button->Visible()) {
    keys += "  Enter: " + WithoutAccessKey(default_button->Caption());
  }
  keys += "  Esc: close";
  if (focus_ && !focus_->ToolTipText().empty()) keys += "  -- " + focus_->ToolTipText();
  return StyledLine(keys, Style::kDim);
}

Screen FormPainter::Paint() {
  std::vector<Block> blocks;
  const int label_column = LabelColumn();
  const auto& controls = dialog_.Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const Control& c = *controls[i];
    if (!c.Visible()) continue;
    switch (c.Kind()) {
      case ControlKind::kLabel:
        if (i + 1 < controls.size() && IsField(*controls[i + 1]) && MessageLines(c.Caption()).size() == 1 &&
            CharCount(c.Caption()) < label_column) {
          StyledLine prefix(" " + FitText(c.Caption(), label_column), Shown(c, Style::kPlain));
          blocks.push_back(Field(*controls[++i], std::move(prefix)));
        } else {
          AddLabel(static_cast<const Label&>(c), &blocks);
        }
        break;
      case ControlKind::kTextBox:
      case ControlKind::kComboBox:
        blocks.push_back(Field(c, StyledLine(std::string(static_cast<std::size_t>(label_column + 1), ' '))));
        break;
      case ControlKind::kCheckBox:
      case ControlKind::kOptionButton: blocks.push_back(Choice(c)); break;
      case ControlKind::kTabStrip: blocks.push_back(Tabs(static_cast<const TabStrip&>(c))); break;
      case ControlKind::kProgressBar: blocks.push_back(Progress(static_cast<const ProgressBar&>(c))); break;
      case ControlKind::kListBox: blocks.push_back(ListBoxRows(static_cast<const ListBox&>(c))); break;
      case ControlKind::kListView: {
        Block placeholder;
        placeholder.list = static_cast<const ListView*>(&c);
        blocks.push_back(std::move(placeholder));
        break;
      }
      case ControlKind::kFrame:
        if (!c.Caption().empty()) blocks.push_back(Block{{StyledLine(" -- " + c.Caption() + " --")}, -1, 0, nullptr});
        break;
      case ControlKind::kAnimation:
        if (static_cast<const Animation&>(c).Playing()) {
          static constexpr char kSpinner[] = "|/-\\";
          const std::string turn(1, kSpinner[view_.frame++ % 4]);
          blocks.push_back(Block{{StyledLine(" " + turn + " working ...", Style::kDim)}, -1, 0, nullptr});
        }
        break;
      case ControlKind::kCommandButton: break;  // on the button row
    }
  }

  const std::vector<StyledLine> buttons = ButtonRows();
  // The lists share the rows the rest of the form leaves: caption, its rule,
  // a blank line before the buttons, the key line, and each list's header
  // and filter lines.
  int fixed = 4 + static_cast<int>(buttons.size());
  int lists = 0;
  for (const Block& b : blocks) {
    if (b.list) {
      ++lists;
      fixed += 3;
    } else {
      fixed += static_cast<int>(b.lines.size());
    }
  }
  const int list_rows = lists > 0 ? std::max(kMinListRows, (height_ - fixed) / lists) : 0;
  for (Block& b : blocks) {
    if (b.list) b = ListViewRows(*b.list, list_rows);
  }

  Screen screen;
  const std::string caption = " " + dialog_.Caption();
  screen.lines.push_back(StyledLine(caption, Style::kBold));
  screen.lines.push_back(StyledLine(" " + std::string(static_cast<std::size_t>(std::max(CharCount(caption), 20)), '=')));
  for (const Block& b : blocks) {
    if (b.cursor_line >= 0) {
      screen.cursor_row = static_cast<int>(screen.lines.size()) + b.cursor_line;
      screen.cursor_column = b.cursor_column;
    }
    screen.lines.insert(screen.lines.end(), b.lines.begin(), b.lines.end());
  }
  screen.lines.push_back(StyledLine());
  screen.lines.insert(screen.lines.end(), buttons.begin(), buttons.end());
  screen.lines.push_back(KeyLine());
  // A form taller than the terminal loses rows above the buttons, never the buttons.
  const int excess = static_cast<int>(screen.lines.size()) - height_;
  if (excess > 0) {
    const auto tail = static_cast<std::ptrdiff_t>(buttons.size() + 2);
    auto cut_end = screen.lines.end() - tail;
    screen.lines.erase(cut_end - excess, cut_end);
    if (screen.cursor_row >= static_cast<int>(screen.lines.size()) - static_cast<int>(tail)) screen.cursor_row = -1;
  }
  return screen;
}

}  // namespace

std::vector<ListItem*> FilteredRows(const ListView& list, const std::string& filter) {
  std::vector<ListItem*> rows;
  const std::string wanted = UCase(filter);
  for (int i = 1; i <= list.ItemCount(); ++i) {
    ListItem* item = list.Item(i);
    bool match = wanted.empty();
    for (int c = 0; !match && c < std::max(1, list.ColumnCount()); ++c) {
      match = UCase(item->ColumnText(c)).find(wanted) != std::string::npos;
    }
    if (match) rows.push_back(item);
  }
  return rows;
}

std::vector<Control*> FocusOrder(const Dialog& dialog) {
  std::vector<Control*> order;
  for (const auto& c : dialog.Controls()) {
    if (c->CanFocus() && c->Visible() && c->Enabled()) order.push_back(c.get());
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); });
  return order;
}

Screen RenderDialog(const Dialog& dialog, FormView& view, int width, int height) {
  return FormPainter(dialog, view, width, height).Paint();
}

}  // namespace pds::terminal
