#include "ui/terminal/terminal_host.h"

#include <algorithm>

#include "pds/Text.h"
#include "pds/VisibleText.h"
#include "pds/Dialog.h"
#include "pds/HostEnv.h"
#include "ui/terminal/form_view.h"
#include "ui/terminal/line_editor.h"
#include "ui/terminal/styled_text.h"

namespace pds::terminal {

namespace {

// Long loops call ProcessEvents often; the form is drawn again at most this often.
constexpr long long kRedrawIntervalMs = 250;
constexpr int kProgressBarWidth = 20;

struct Button {
  int answer;
  const char* label;  // its letter in brackets
  char letter;
};

std::vector<Button> ButtonsOf(int style) {
  const Button ok{vbOK, "[O]K", 'O'}, cancel{vbCancel, "[C]ancel", 'C'}, abort{vbAbort, "[A]bort", 'A'},
      retry{vbRetry, "[R]etry", 'R'}, ignore{vbIgnore, "[I]gnore", 'I'}, yes{vbYes, "[Y]es", 'Y'},
      no{vbNo, "[N]o", 'N'};
  switch (style & 0x7) {
    case vbOKCancel: return {ok, cancel};
    case vbAbortRetryIgnore: return {abort, retry, ignore};
    case vbYesNoCancel: return {yes, no, cancel};
    case vbYesNo: return {yes, no};
    case vbRetryCancel: return {retry, cancel};
    default: return {ok};
  }
}

std::string IconOf(int style) {
  switch (style & 0x70) {
    case vbCritical: return "(x) ";
    case vbQuestion: return "(?) ";
    case vbExclamation: return "(!) ";
    case vbInformation: return "(i) ";
    default: return "";
  }
}

// A line of a box's text; blank lines stay empty.
StyledLine Indented(const std::string& text) { return StyledLine(text.empty() ? text : "  " + text); }

std::string WithSlash(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') return folder;
  return folder + "/";
}

// The last path component has no extension.
bool LacksExtension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return !name.empty() && name.find('.') == std::string::npos;
}

}  // namespace

// A message or input box: lines drawn once, and a last line that follows the keys.
struct TerminalHost::Box {
  std::vector<StyledLine> head;
  // The last line; sets the caret's column, or -1 to hide the cursor.
  std::function<StyledLine(int width, int* caret_column)> last;
};

struct TerminalHost::Layer {
  Dialog* dialog = nullptr;
  Box* box = nullptr;
  FormView view;
};

std::string ProgressLine(const Dialog& dialog, int width) {
  const ProgressBar* bar = nullptr;
  std::string item;
  std::string status;
  for (const auto& c : dialog.Controls()) {
    if (!bar && c->Kind() == ControlKind::kProgressBar) bar = static_cast<const ProgressBar*>(c.get());
    // A progress window's frame caption is its status word ("Archiving...").
    if (status.empty() && c->Kind() == ControlKind::kFrame && c->Visible()) status = c->Caption();
    if (c->Kind() == ControlKind::kLabel && c->Visible() && !c->Caption().empty()) {
      item = MessageLines(c->Caption()).front();
    }
  }
  std::string line = dialog.Caption();
  if (!status.empty()) line += (line.empty() ? "" : "  ") + status;
  if (bar) {
    const long span = bar->Max() - bar->Min();
    const long percent = span > 0 ? (bar->Value() - bar->Min()) * 100 / span : 0;
    const int filled = static_cast<int>(percent * kProgressBarWidth / 100);
    line += (line.empty() ? "[" : "  [") + std::string(static_cast<std::size_t>(filled), '#') +
            std::string(static_cast<std::size_t>(kProgressBarWidth - filled), '.') + "] " +
            std::to_string(percent) + "%";
  }
  if (!item.empty()) line += "  " + item;
  return CharPrefix(VisibleText(line), std::max(0, width - 1));
}

TerminalHost::TerminalHost(std::ostream& out, KeySource& keys, TerminalOptions options)
    : out_(out), keys_(keys), options_(std::move(options)), fallback_(options_.fallback_log) {}

TerminalHost::~TerminalHost() {
  ClearProgress();
  LeaveAltScreen();
}

void TerminalHost::ScreenSize(int* width, int* height) const {
  *width = 80;
  *height = 24;
  if (options_.size) options_.size(width, height);
}

bool TerminalHost::DialogOpen() const {
  return std::any_of(layers_.begin(), layers_.end(), [](const Layer* l) { return l->dialog != nullptr; });
}

void TerminalHost::EnterAltScreen() {
  if (alt_screen_) return;
  ClearProgress();
  alt_screen_ = true;
  out_ << ansi::kEnterAltScreen;
  if (options_.alt_screen_changed) options_.alt_screen_changed(true);
}

void TerminalHost::LeaveAltScreen() {
  if (!alt_screen_) return;
  alt_screen_ = false;
  out_ << ansi::kReset << ansi::kShowCursor << ansi::kLeaveAltScreen << std::flush;
  if (options_.alt_screen_changed) options_.alt_screen_changed(false);
}

void TerminalHost::Redraw() {
  int width = 0, height = 0;
  ScreenSize(&width, &height);
  std::size_t top_dialog = 0;
  for (std::size_t i = 0; i < layers_.size(); ++i) {
    if (layers_[i]->dialog) top_dialog = i;
  }
  // The boxes over the innermost dialog take the bottom of the screen; the dialog gets the rest.
  std::vector<StyledLine> below;
  int caret_row = -1, caret_column = -1;
  for (std::size_t i = top_dialog + 1; i < layers_.size(); ++i) {
    const Box& box = *layers_[i]->box;
    below.push_back(StyledLine(std::string(static_cast<std::size_t>(width - 1), '-'), Style::kDim));
    below.insert(below.end(), box.head.begin(), box.head.end());
    int column = -1;
    below.push_back(box.last(width, &column));
    if (column >= 0) {
      caret_row = static_cast<int>(below.size()) - 1;
      caret_column = column;
    }
  }
  Layer& layer = *layers_[top_dialog];
  const int dialog_height = std::max(8, height - static_cast<int>(below.size()));
  Screen screen = RenderDialog(*layer.dialog, layer.view, width, dialog_height);
  std::string frame = std::string(ansi::kHideCursor) + ansi::kClearScreen;
  const int dialog_rows = static_cast<int>(screen.lines.size());
  for (std::size_t i = 0; i < screen.lines.size(); ++i) frame += (i ? "\r\n" : "") + screen.lines[i].Render(width);
  for (const StyledLine& line : below) frame += "\r\n" + line.Render(width);
  if (caret_row >= 0) {
    frame += ansi::MoveTo(dialog_rows + caret_row + 1, caret_column + 1) + ansi::kShowCursor;
  } else if (below.empty() && screen.cursor_row >= 0) {
    frame += ansi::MoveTo(screen.cursor_row + 1, screen.cursor_column + 1) + ansi::kShowCursor;
  }
  out_ << frame << std::flush;
  last_redraw_ms_ = host::MonotonicMillis();
}

void TerminalHost::DrawBoxLastLine(const Box& box) {
  int width = 0, height = 0;
  ScreenSize(&width, &height);
  int column = -1;
  const StyledLine line = box.last(width, &column);
  out_ << "\r" << line.Render(width) << ansi::kClearToEnd;
  if (column >= 0) {
    out_ << "\r";
    if (column > 0) out_ << "\x1b[" << column << "C";
    out_ << ansi::kShowCursor;
  }
  out_ << std::flush;
}

void TerminalHost::RunBox(Box& box, const std::function<bool(const Key&)>& on_key,
                          const std::function<void()>& on_end) {
  ReadingScope reading(keys_);
  const bool over_dialog = DialogOpen();
  Layer layer;
  layer.box = &box;
  layers_.push_back(&layer);
  if (!over_dialog) {
    ClearProgress();
    for (const StyledLine& line : box.head) {
      int width = 0, height = 0;
      ScreenSize(&width, &height);
      out_ << line.Render(width) << "\r\n";
    }
  }
  bool ended = false;
  while (true) {
    if (over_dialog) {
      Redraw();
    } else {
      DrawBoxLastLine(box);
    }
    Key key;
    if (!keys_.Next(&key)) {
      if (!keys_.AtEnd()) continue;  // a resize: draw again
      ended = true;
      break;
    }
    if (on_key(key)) break;
  }
  layers_.pop_back();
  if (!over_dialog) out_ << "\r\n" << std::flush;
  if (ended) on_end();
}

int TerminalHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
  if (keys_.AtEnd()) return fallback_.MsgBox(prompt, style, title);
  const std::vector<Button> buttons = ButtonsOf(style);
  const int default_answer = MsgBoxDefaultAnswer(style);
  std::size_t highlight = 0;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].answer == default_answer) highlight = i;
  }
  int width = 0, height = 0;
  ScreenSize(&width, &height);
  Box box;
  box.head.push_back(StyledLine(IconOf(style) + title, Style::kBold));
  for (const std::string& line : MessageLines(prompt)) {
    for (const std::string& part : WrapLine(line, std::max(10, width - 4))) box.head.push_back(Indented(part));
  }
  box.head.push_back(StyledLine());
  box.last = [&](int, int* caret) {
    StyledLine line("  ");
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      if (i > 0) line.Add(" ");
      line.Add(buttons[i].label, i == highlight ? Style::kReverse : Style::kPlain);
    }
    *caret = -1;
    return line;
  };
  int answer = default_answer;
  RunBox(
      box,
      [&](const Key& key) {
        const std::size_t n = buttons.size();
        switch (key.code) {
          case KeyCode::kEnter: answer = buttons[highlight].answer; return true;
          case KeyCode::kEscape: answer = MsgBoxEscapeAnswer(style); return true;
          case KeyCode::kLeft:
          case KeyCode::kBackTab: highlight = (highlight + n - 1) % n; return false;
          case KeyCode::kRight:
          case KeyCode::kTab: highlight = (highlight + 1) % n; return false;
          case KeyCode::kCtrl:
            if (key.ctrl != 'C') return false;
            answer = MsgBoxEscapeAnswer(style);
            return true;
          case KeyCode::kChar: {
            const std::string letter = UCase(key.text);
            for (const Button& b : buttons) {
              if (letter.size() == 1 && letter[0] == b.letter) {
                answer = b.answer;
                return true;
              }
            }
            return false;
          }
          default: return false;
        }
      },
      [&] { answer = fallback_.MsgBox(prompt, style, title); });
  return answer;
}

TerminalHost::LineAnswer TerminalHost::AskLine(const std::string& title, const std::vector<std::string>& text,
                                               const std::string& initial, std::string* answer) {
  int width = 0, height = 0;
  ScreenSize(&width, &height);
  LineEditor editor;
  editor.Reset(initial);
  Box box;
  box.head.push_back(StyledLine(title, Style::kBold));
  for (const std::string& paragraph : text) {
    for (const std::string& line : MessageLines(paragraph)) {
      for (const std::string& part : WrapLine(line, std::max(10, width - 4))) box.head.push_back(Indented(part));
    }
  }
  box.head.push_back(StyledLine("  Enter: OK   Esc: Cancel", Style::kDim));
  box.last = [&](int w, int* caret) { return StyledLine(editor.Render("  > ", w, caret)); };
  LineAnswer result = LineAnswer::kCancelled;
  RunBox(
      box,
      [&](const Key& key) {
        switch (editor.Apply(key)) {
          case LineEditor::Action::kAccept: result = LineAnswer::kAccepted; return true;
          case LineEditor::Action::kCancel: return true;
          default: return false;
        }
      },
      [&] { result = LineAnswer::kEnded; });
  *answer = result == LineAnswer::kAccepted ? editor.text() : std::string();
  return result;
}

bool TerminalHost::InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                            std::string* answer) {
  if (keys_.AtEnd()) return fallback_.InputBox(prompt, title, default_text, answer);
  switch (AskLine(title, {prompt}, default_text, answer)) {
    case LineAnswer::kAccepted: return true;
    case LineAnswer::kEnded: return fallback_.InputBox(prompt, title, default_text, answer);
    default: return false;
  }
}

bool TerminalHost::FileDialog(const FileDialogRequest& request, std::string* chosen) {
  if (keys_.AtEnd()) return fallback_.FileDialog(request, chosen);
  std::vector<std::string> text;
  if (!request.initial_folder.empty()) text.push_back("Folder: " + request.initial_folder);
  if (!request.filter.empty()) {
    // The filter's descriptions, without the patterns that follow each.
    std::string kinds;
    std::size_t start = 0;
    for (int part = 0; start <= request.filter.size(); ++part) {
      std::size_t bar = request.filter.find('|', start);
      if (bar == std::string::npos) bar = request.filter.size();
      if (part % 2 == 0) kinds += (kinds.empty() ? "" : ", ") + request.filter.substr(start, bar - start);
      start = bar + 1;
    }
    text.push_back("Files: " + kinds);
  }
  text.push_back(request.save ? "Type the path of the file to save:" : "Type the path of the file to open:");
  std::string proposed = request.file_name;
  if (proposed.empty() || proposed.front() != '/') proposed = WithSlash(request.initial_folder) + proposed;
  const std::string title = request.title.empty() ? (request.save ? "Save As" : "Open") : request.title;
  std::string answer;
  const LineAnswer result = AskLine(title, text, proposed, &answer);
  if (result == LineAnswer::kEnded) return fallback_.FileDialog(request, chosen);
  if (result != LineAnswer::kAccepted || answer.empty()) {
    chosen->clear();
    return false;
  }
  // A relative answer is taken inside the initial folder; a name without an
  // extension gets the default one, as the common dialog does.
  if (answer.front() != '/' && !request.initial_folder.empty()) answer = WithSlash(request.initial_folder) + answer;
  if (!request.default_ext.empty() && LacksExtension(answer)) answer += "." + request.default_ext;
  *chosen = answer;
  return true;
}

bool TerminalHost::BrowseForFolder(const std::string& title, const std::string& initial_folder, std::string* chosen) {
  if (keys_.AtEnd()) return fallback_.BrowseForFolder(title, initial_folder, chosen);
  std::vector<std::string> text{"Type the path of a folder:"};
  if (!title.empty()) text.insert(text.begin(), title);
  std::string answer;
  const LineAnswer result = AskLine("Browse for Folder", text, initial_folder, &answer);
  if (result == LineAnswer::kEnded) return fallback_.BrowseForFolder(title, initial_folder, chosen);
  if (result != LineAnswer::kAccepted || answer.empty()) {
    chosen->clear();
    return false;
  }
  if (answer.size() > 1 && answer.back() == '/') answer.pop_back();
  *chosen = answer;
  return true;
}

bool TerminalHost::ShowHelp(const std::string& help_file, int command, long context) {
  const std::string topic = command == kHelpContext ? "Topic: " + std::to_string(context) : std::string("Contents");
  MsgBox("Help file: " + help_file + "\r\n" + topic, vbOKOnly | vbInformation, "Help");
  return true;
}

void TerminalHost::RunModal(Dialog& dialog) {
  if (keys_.AtEnd()) {
    fallback_.RunModal(dialog);
    return;
  }
  if (!dialog.loaded() && !dialog.Load()) return;
  ReadingScope reading(keys_);
  Layer layer;
  layer.dialog = &dialog;
  layers_.push_back(&layer);
  EnterAltScreen();
  dialog.Activate();
  if (dialog.visible()) EnsureFocus(dialog);
  while (dialog.visible()) {
    Redraw();
    Key key;
    if (!keys_.Next(&key)) {
      if (!keys_.AtEnd()) continue;  // a resize: draw again
      // Nobody is left to answer: the dialog ends the way a user who declines ends it.
      if (dialog.CancelButton()) dialog.PressEscape();
      if (dialog.visible()) dialog.CloseByUser();
      if (dialog.visible()) dialog.Hide();
      dialog.TakeRefusals();
      break;
    }
    HandleFormKey(dialog, layer.view, key);
  }
  layers_.erase(std::remove(layers_.begin(), layers_.end(), &layer), layers_.end());
  if (!DialogOpen()) LeaveAltScreen();
}

void TerminalHost::ShowModeless(Dialog& dialog) {
  dialog.Activate();
  progress_ = &dialog;
  Refresh(dialog);
}

void TerminalHost::Refresh(Dialog& dialog) {
  if (!options_.draw_progress || &dialog != progress_) return;
  int width = 0, height = 0;
  ScreenSize(&width, &height);
  const std::string line = ProgressLine(dialog, width);
  if (alt_screen_) {
    // Over a form, on its last row; the cursor goes back where the form left it.
    out_ << "\x1b" "7" << ansi::MoveTo(height, 1) << line << ansi::kClearToEnd << "\x1b" "8";
  } else {
    out_ << "\r" << line << ansi::kClearToEnd;
  }
  out_ << std::flush;
  progress_drawn_ = true;
}

void TerminalHost::ClearProgress() {
  if (!progress_drawn_) return;
  progress_drawn_ = false;
  if (!alt_screen_) out_ << "\r" << ansi::kClearToEnd << std::flush;
}

void TerminalHost::CloseModeless(Dialog& dialog) {
  if (&dialog != progress_) return;
  ClearProgress();
  progress_ = nullptr;
  if (DialogOpen() && !layers_.back()->box) Redraw();
}

void TerminalHost::ProcessEvents() {
  if (layers_.empty() || !layers_.back()->dialog) return;
  Layer& top = *layers_.back();
  bool changed = keys_.TakeResized();
  Key key;
  // Keys typed while a long loop runs reach the form now (a Cancel button
  // pressed during a search), as pending window events would.
  while (top.dialog->visible() && keys_.Next(&key, 0)) {
    HandleFormKey(*top.dialog, top.view, key);
    changed = true;
  }
  const long long now = host::MonotonicMillis();
  if (top.dialog->visible() && layers_.back() == &top && (changed || now - last_redraw_ms_ >= kRedrawIntervalMs)) {
    Redraw();
  }
}

}  // namespace pds::terminal
