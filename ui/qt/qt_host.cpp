#include "ui/qt/qt_host.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>
#include <vector>

#include "pds/Dialog.h"
#include "pds/HostEnv.h"
#include "ui/qt/form_window.h"

namespace pds::qt {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The common dialog's flag bits that change what the user may pick.
constexpr long kOverwritePrompt = 0x2;
constexpr long kFileMustExist = 0x1000;

// A progress window is repainted at most this often; the loops that report
// progress call far more often than a screen can show.
constexpr long long kPaintIntervalMs = 40;

struct BoxButton {
  int answer;
  QMessageBox::StandardButton button;
};

std::vector<BoxButton> ButtonsOf(int style) {
  switch (style & 7) {
    case vbOKCancel: return {{vbOK, QMessageBox::Ok}, {vbCancel, QMessageBox::Cancel}};
    case vbAbortRetryIgnore:
      return {{vbAbort, QMessageBox::Abort}, {vbRetry, QMessageBox::Retry}, {vbIgnore, QMessageBox::Ignore}};
    case vbYesNoCancel: return {{vbYes, QMessageBox::Yes}, {vbNo, QMessageBox::No}, {vbCancel, QMessageBox::Cancel}};
    case vbYesNo: return {{vbYes, QMessageBox::Yes}, {vbNo, QMessageBox::No}};
    case vbRetryCancel: return {{vbRetry, QMessageBox::Retry}, {vbCancel, QMessageBox::Cancel}};
    default: return {{vbOK, QMessageBox::Ok}};
  }
}

QMessageBox::Icon IconOf(int style) {
  switch (style & 0x70) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

QStringList NameFilters(const std::string& filter) {
  QStringList out;
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // Qt reads the patterns from the parentheses; the description's own
    // "(*.QVA)" is only text, the second part is what filters.
    if (int open = description.lastIndexOf(QLatin1Char('(')); open > 0) description = description.left(open).trimmed();
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString pattern = p.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : p.trimmed();
      patterns << pattern;
      // File names on this machine keep their case; a pattern matches both.
      if (pattern.toLower() != pattern) patterns << pattern.toLower();
    }
    out << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return out;
}

QtHost::QtHost(QtHostOptions options) : options_(std::move(options)) {}

QtHost::~QtHost() {
  if (busy_) QApplication::restoreOverrideCursor();
}

QWidget* QtHost::Owner() const {
  if (Dialog* inner = Dialog::InnermostModal()) {
    if (FormWindow* w = WindowOf(*inner)) return w;
  }
  if (QWidget* active = QApplication::activeModalWidget()) return active;
  return options_.main_window;
}

FormWindow* QtHost::WindowOf(const Dialog& dialog) const {
  auto it = windows_.find(&dialog);
  return it == windows_.end() ? nullptr : it->second;
}

void QtHost::Announce(const std::string& kind, const std::string& name, QWidget* window) {
  if (!options_.shown) return;
  QPointer<QWidget> guard(window);
  // After the window is painted and its loop runs, as a user would meet it.
  QTimer::singleShot(0, window, [this, kind, name, guard] {
    if (guard && guard->isVisible()) options_.shown(kind, name, *guard);
  });
}

int QtHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
  QMessageBox box(IconOf(style), Q(title), Q(prompt).remove(QLatin1Char('\r')), QMessageBox::NoButton, Owner());
  box.setObjectName(QStringLiteral("msgbox"));
  box.setTextFormat(Qt::PlainText);
  const std::vector<BoxButton> buttons = ButtonsOf(style);
  for (const BoxButton& b : buttons) box.addButton(b.button);
  const int default_answer = MsgBoxDefaultAnswer(style);
  const int escape_answer = MsgBoxEscapeAnswer(style);
  for (const BoxButton& b : buttons) {
    if (b.answer == default_answer) box.setDefaultButton(b.button);
    if (b.answer == escape_answer) box.setEscapeButton(box.button(b.button));
  }
  Announce("msgbox", title, &box);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const BoxButton& b : buttons) {
    if (clicked == box.button(b.button)) return b.answer;
  }
  return escape_answer;
}

bool QtHost::InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                      std::string* answer) {
  QInputDialog input(Owner());
  input.setObjectName(QStringLiteral("input"));
  input.setWindowTitle(Q(title));
  input.setLabelText(Q(prompt).remove(QLatin1Char('\r')));
  input.setTextValue(Q(default_text));
  Announce("input", title, &input);
  const bool ok = input.exec() == QDialog::Accepted;
  *answer = ok ? input.textValue().toStdString() : std::string();
  return ok;
}

void QtHost::RunModal(Dialog& dialog) {
  if (!dialog.loaded() && !dialog.Load()) return;
  if (!dialog.visible()) return;
  FormWindow window(dialog, Owner());
  window.setWindowModality(Qt::ApplicationModal);
  windows_[&dialog] = &window;
  QEventLoop loop;
  window.SetOnHidden([&loop] { loop.quit(); });
  // The window's own actions end the loop at once; this catches a model
  // hidden from elsewhere (a handler of a dialog it opened).
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, &loop, [&dialog, &loop] {
    if (!dialog.visible()) loop.quit();
  });
  watch.start(250);
  window.show();
  dialog.Activate();
  if (dialog.visible()) {
    window.Sync();
    Announce("form", dialog.FormName(), &window);
    loop.exec();
  }
  windows_.erase(&dialog);
  window.hide();
}

void QtHost::ShowModeless(Dialog& dialog) {
  if (WindowOf(dialog)) return;
  auto* window = new FormWindow(dialog, Owner());
  windows_[&dialog] = window;
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  window->SetOnHidden([this, &dialog] { CloseModeless(dialog); });
  window->show();
  dialog.Activate();
  window->Sync();
  Announce("form", dialog.FormName(), window);
  QApplication::processEvents();
  last_paint_ms_ = host::MonotonicMillis();
}

void QtHost::Refresh(Dialog& dialog) {
  FormWindow* window = WindowOf(dialog);
  if (!window) return;
  const long long now = host::MonotonicMillis();
  if (now - last_paint_ms_ < kPaintIntervalMs) return;
  last_paint_ms_ = now;
  window->Sync();
  window->repaint();
}

void QtHost::CloseModeless(Dialog& dialog) {
  auto it = windows_.find(&dialog);
  if (it == windows_.end()) return;
  FormWindow* window = it->second;
  windows_.erase(it);
  window->hide();
  // Later: the close may come from a handler running inside the window itself.
  window->deleteLater();
}

bool QtHost::FileDialog(const FileDialogRequest& request, std::string* chosen) {
  QFileDialog dialog(Owner(), Q(request.title));
  dialog.setObjectName(QStringLiteral("file"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (request.save) {
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!(request.flags & kOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setFileMode((request.flags & kFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  }
  const QStringList filters = NameFilters(request.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = request.filter_index >= 1 && request.filter_index <= filters.size() ? request.filter_index : 1;
    dialog.selectNameFilter(filters[index - 1]);
  }
  std::string ext = request.default_ext;
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  if (!ext.empty()) dialog.setDefaultSuffix(Q(ext));
  if (!request.initial_folder.empty()) dialog.setDirectory(Q(request.initial_folder));
  if (!request.file_name.empty()) dialog.selectFile(Q(request.file_name));
  Announce("file", request.title, &dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    chosen->clear();
    return false;
  }
  *chosen = dialog.selectedFiles().first().toStdString();
  return true;
}

bool QtHost::BrowseForFolder(const std::string& title, const std::string& initial_folder, std::string* chosen) {
  QFileDialog dialog(Owner(), Q(title));
  dialog.setObjectName(QStringLiteral("folder"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (!initial_folder.empty()) dialog.setDirectory(Q(initial_folder));
  Announce("folder", title, &dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    chosen->clear();
    return false;
  }
  *chosen = WithoutTrailingSlash(dialog.selectedFiles().first().toStdString());
  return true;
}

bool QtHost::ShowHelp(const std::string& help_file, int command, long context) {
  std::string content;
  if (!host::ReadFile(help_file, &content)) return false;
  if (!help_window_) {
    help_window_ = std::make_unique<QWidget>(nullptr, Qt::Window);
    help_window_->setObjectName(QStringLiteral("help"));
    auto* layout = new QVBoxLayout(help_window_.get());
    layout->addWidget(new QLabel(help_window_.get()));
    layout->addWidget(new QTextBrowser(help_window_.get()));
    help_window_->resize(560, 420);
  }
  auto* topic = help_window_->findChild<QLabel*>();
  auto* text = help_window_->findChild<QTextBrowser*>();
  help_window_->setWindowTitle(QStringLiteral("Help - ") + Q(help_file));
  topic->setText(command == kHelpContext ? QStringLiteral("Topic %1").arg(context) : QStringLiteral("Contents"));
  const QString body = Q(content);
  if (body.contains(QLatin1String("<html"), Qt::CaseInsensitive)) {
    text->setHtml(body);
  } else {
    text->setPlainText(body);
  }
  // The topic's anchor, when the help file names its topics that way.
  if (command == kHelpContext) text->scrollToAnchor(QString::number(context));
  help_window_->show();
  help_window_->raise();
  Announce("help", help_file, help_window_.get());
  return true;
}

void QtHost::SetWaitCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtHost::ProcessEvents() {
  const long long now = host::MonotonicMillis();
  if (now - last_paint_ms_ >= kPaintIntervalMs) {
    last_paint_ms_ = now;
    for (auto& [dialog, window] : windows_) {
      if (window->isVisible() && dialog->modeless()) window->Sync();
    }
  }
  QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace pds::qt
