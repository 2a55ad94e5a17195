// A dialog model drawn as a text form, and the user's keys turned into the
// model's own user actions.
//
// The form shows, from top to bottom in the order the dialog created its
// controls: the caption, labels, text boxes and combo boxes (a label directly
// followed by one shares its line), check boxes and option buttons, list views
// with a header row, list boxes, tab strips and progress bars; the command
// buttons share the row at the bottom; a last line names the keys. Hidden
// controls are left out; disabled ones are dimmed, and a disabled button is
// drawn in parentheses instead of brackets.
//
//   Tab / Shift-Tab   next / previous control;  Up / Down also leave a
//                     control without rows of its own
//   Enter             a focused button is pressed; elsewhere the key goes to
//                     the control, and so to the default button
//   Escape, Ctrl-C    the close box
//   Space             presses a button, toggles a check box, checks a list
//                     row; in a list without check boxes it double-clicks
//   Up / Down, Page Up / Page Down, Home / End   move in lists and combo boxes
//   a letter          the next entry starting with it, in lists
//   "/" then text     a list view's filter (Enter keeps it, Escape clears it)
//   1 .. 9            a click on that column header of a list view
//   Left / Right      the caret in a text box, the tab of a tab strip, the
//                     neighbouring button on the button row
//
// Keys act only through the model's public calls (Focus, PressKey, TypeText,
// ClickButton, DoubleClick, SelectItem, Check, SelectTab, ClickColumn,
// CloseByUser), so the dialog's own handlers decide everything; what the host
// keeps is how the form is viewed: a list's filter and scroll position and
// the line of the last refused action. Nothing here writes to the terminal.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "pds/Dialog.h"
#include "ui/terminal/keys.h"
#include "ui/terminal/line_editor.h"
#include "ui/terminal/styled_text.h"

namespace pds::terminal {

// How the host views one list view; the model never sees it.
struct ListViewView {
  // Only rows containing the filter (in any column, without regard to case) are shown.
  std::string filter;
  int scroll = 0;  // the first shown row among the filtered rows
};

struct FormView {
  std::map<std::string, ListViewView> lists;  // by control name
  // Set while the user types a list's filter after "/".
  bool editing_filter = false;
  std::string filter_list;
  LineEditor filter_editor;
  // The last action the dialog refused, shown in the key line.
  std::string status;
  // Counts the drawings, so a playing animation turns as a spinner while a
  // long loop redraws the form.
  unsigned frame = 0;
};

struct Screen {
  std::vector<StyledLine> lines;
  int cursor_row = -1;  // 0-based; -1 hides the cursor
  int cursor_column = 0;
};

// Draws the dialog within width x height cells. Updates the lists' scroll
// positions so that their selected rows are in view.
Screen RenderDialog(const Dialog& dialog, FormView& view, int width, int height);

// The rows of a list view the filter lets through, in display order.
std::vector<ListItem*> FilteredRows(const ListView& list, const std::string& filter);

// The controls Tab moves through: visible, enabled and able to take the focus,
// ordered by TabIndex and then by creation.
std::vector<Control*> FocusOrder(const Dialog& dialog);

// Plays one key on the dialog. Returns false when the key means nothing in
// the form (the host may use it).
bool HandleFormKey(Dialog& dialog, FormView& view, const Key& key);

// Gives the focus to the first control of the focus order when no usable
// control has it, as a form does when it is shown.
void EnsureFocus(Dialog& dialog);

}  // namespace pds::terminal
