#include "apps/pds-studio/screenshots.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <map>
#include <set>

#include "apps/pds-studio/studio_window.h"
#include "pds/Dialog.h"
#include "pds/HostEnv.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"
#include "ui/qt/form_window.h"
#include "ui/qt/qt_host.h"

namespace pds::studio {

namespace {

// "Save Project As" -> "save-project-as".
std::string Slug(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (!out.empty() && out.back() != '-') {
      out += '-';
    }
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

void Key(QWidget& window, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&window, &press);
}

void Type(QWidget& window, const char* control, const std::string& text) {
  if (auto* edit = window.findChild<QLineEdit*>(QString::fromUtf8(control))) {
    edit->setFocus();
    edit->selectAll();
    edit->insert(QString::fromStdString(text));  // as typing: the model hears it
  }
}

void Click(QWidget& window, const char* control) {
  if (auto* button = window.findChild<QAbstractButton*>(QString::fromUtf8(control))) button->click();
}

// The window as drawn, under a plain title bar with its title: offscreen
// windows have no frame, and a message box's title is part of what it says.
QPixmap WithTitleBar(QWidget& w) {
  const QPixmap body = w.grab();
  const int bar = w.fontMetrics().height() + 10;
  QPixmap out(body.width(), body.height() + bar);
  out.fill(w.palette().color(QPalette::Window));
  QPainter painter(&out);
  painter.fillRect(0, 0, out.width(), bar, w.palette().color(QPalette::Highlight));
  painter.setPen(w.palette().color(QPalette::HighlightedText));
  QFont font = w.font();
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(8, 0, out.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft,
                   painter.fontMetrics().elidedText(w.windowTitle(), Qt::ElideRight, out.width() - 16));
  painter.drawPixmap(0, bar, body);
  painter.setPen(w.palette().color(QPalette::Mid));
  painter.drawRect(0, 0, out.width() - 1, out.height() - 1);
  return out;
}

class Walk {
 public:
  Walk(std::string out, std::string tvxii, clsProjectDataServer& server, StudioWindow& window)
      : out_(std::move(out)), tvxii_(std::move(tvxii)), server_(server), window_(window) {}

  int written() const { return written_; }
  void Shoot(QWidget& w, const std::string& name) {
    if (!taken_.insert(name).second) return;
    QApplication::processEvents();
    if (WithTitleBar(w).save(QString::fromStdString(out_ + "/" + name + ".png"))) ++written_;
  }

  void OnShown(const std::string& kind, const std::string& name, QWidget& w) {
    if (kind == "msgbox") {
      auto& box = static_cast<QMessageBox&>(w);
      Shoot(w, "msgbox-" + Slug(name));
      // Keep a project the walk still needs: decline deletions, accept the rest.
      QAbstractButton* answer = box.defaultButton();
      if (box.text().contains(QStringLiteral("delete"), Qt::CaseInsensitive) && box.button(QMessageBox::No)) {
        answer = box.button(QMessageBox::No);
      }
      if (answer) answer->click(); else box.reject();
      return;
    }
    if (kind == "input") {
      Shoot(w, "input-" + Slug(name));
      static_cast<QInputDialog&>(w).accept();
      return;
    }
    if (kind == "file" || kind == "folder") {
      auto& dialog = static_cast<QFileDialog&>(w);
      Shoot(w, kind + "-" + Slug(name));
      if (!next_file_.empty()) {
        // Typed into the file name box, as a user would (selectFile leaves a focused box alone).
        const QFileInfo file(QString::fromStdString(next_file_));
        dialog.setDirectory(file.absolutePath());
        if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(file.fileName());
        next_file_.clear();
        static_cast<QDialog&>(dialog).accept();  // QFileDialog's own check of the choice runs
      } else {
        dialog.reject();
      }
      return;
    }
    if (kind == "help") {
      Shoot(w, "help");
      w.close();
      return;
    }
    auto& form = static_cast<qt::FormWindow&>(w);
    // The progress window's caption names the archive; the picture is named after what it does.
    const std::string caption = name == "frmArchive" ? "Archiving" : form.model().Caption();
    Shoot(w, name + "-" + Slug(caption));
    if (name == "frmArchive") return;  // a progress window: it goes when the run ends
    if (name == "frmNew") {
      Type(w, "txtName", next_name_.empty() ? "New Folder" : next_name_);
      next_name_.clear();
      Key(w, Qt::Key_Return);
    } else if (name == "frmSaveProjectAs") {
      Click(w, "cmdChangeFolder");  // the nested folder dialog, shot and cancelled below
      Type(w, "txtName", save_as_name_);
      Key(w, Qt::Key_Return);
    } else if (name == "frmProperties") {
      Click(w, "cmdHelp");  // no help file installed: the component says so
      Type(w, "txtJobNumber", "P-2026-001");
      Type(w, "txtContactName", "R. Engineer");
      Key(w, Qt::Key_Return);
    } else if (name == "frmProject") {
      if (auto* tabs = w.findChild<QTabBar*>(QStringLiteral("tabPages")); tabs && tabs->count() > 1) {
        tabs->setCurrentIndex(1);
        Shoot(w, name + "-" + Slug(caption) + "-page-2");
      }
      Key(w, Qt::Key_Escape);
    } else if (name == "frmSelect" && !searched_) {
      searched_ = true;
      Click(w, "cmdFind");
      Key(w, Qt::Key_Escape);
    } else if (name == "frmSelect" && !pick_.empty()) {
      auto* list = w.findChild<QTreeWidget*>(QStringLiteral("lvwProjects"));
      auto found = list ? list->findItems(QString::fromStdString(pick_), Qt::MatchFixedString) : QList<QTreeWidgetItem*>();
      pick_.clear();
      if (!found.isEmpty()) list->setCurrentItem(found[0]);
      Key(w, Qt::Key_Return);
    } else if (name == "frmProjectSearch") {
      Click(w, "cmdSearch");
      Shoot(w, name + "-" + Slug(caption) + "-results");
      Key(w, Qt::Key_Escape);
    } else if (name == "frmProjectNotFound") {
      Click(w, "cmdHelp");  // no help file installed: the component says so
      Click(w, "cmdClose");
    } else {
      Key(w, Qt::Key_Escape);
    }
    if (form.isVisible() && form.model().visible()) form.close();
  }

  // The File menu as it drops down, with the recently used projects.
  void ShootFileMenu() {
    QMenu* menu = window_.menuBar()->actions().value(0) ? window_.menuBar()->actions()[0]->menu() : nullptr;
    if (!menu) return;
    menu->popup(window_.mapToGlobal(QPoint(0, window_.menuBar()->height())));
    QApplication::processEvents();
    if (menu->grab().save(QString::fromStdString(out_ + "/file-menu.png"))) ++written_;
    menu->hide();
  }

  void Run() {
    auto act = [&](const char* name) {
      if (QAction* a = window_.Action(QString::fromUtf8(name)); a && a->isEnabled()) a->trigger();
    };
    act("actNew");
    // New tags get automatic names; renaming asks for a name in the name entry dialog.
    for (const char* tag : {"P-101", "P-102"}) {
      window_.findChild<QAbstractButton*>(QStringLiteral("tagNew"))->click();
      next_name_ = tag;
      window_.findChild<QAbstractButton*>(QStringLiteral("tagRename"))->click();
    }
    save_as_name_ = "Demo Plant";
    act("actSaveAs");
    window_.SelectTag("P-101");
    Shoot(window_, "main-window");
    ShootFileMenu();
    act("actProperties");
    const std::string archive = tvxii_ + "/Archives/Demo Plant.QVA";
    next_file_ = archive;
    act("actArchive");
    act("actClose");
    act("actOpen");  // the select dialog, its Find and the search dialog
    next_file_ = archive;
    act("actRetrieve");
    // A project whose folder has gone: the not-found dialog.
    act("actNew");
    save_as_name_ = "Lost Plant";
    act("actSaveAs");
    std::string lost = server_.Project() ? server_.Project()->JobPath() : std::string();
    act("actClose");
    if (!lost.empty()) host::RemoveTree(lost);
    pick_ = "Lost Plant";
    act("actOpen");
    act("actFind");
    server_.ProjectOpen("Demo Plant");
    server_.OpenTagData();
    window_.RefreshAll();
  }

 private:
  std::string out_;
  std::string tvxii_;
  clsProjectDataServer& server_;
  StudioWindow& window_;
  std::set<std::string> taken_;
  int written_ = 0;
  std::string next_name_;
  std::string next_file_;
  std::string save_as_name_;
  bool searched_ = false;
  std::string pick_;
};

}  // namespace

int TakeScreenshots(const std::string& out, const std::string& tvxii, clsProjectDataServer& server, qt::QtHost& host,
                    StudioWindow& window) {
  if (!host::CreateFolders(out)) return -1;
  Walk walk(out, tvxii, server, window);
  host.SetShownObserver([&walk](const std::string& kind, const std::string& name, QWidget& w) {
    walk.OnShown(kind, name, w);
  });
  window.show();
  QApplication::processEvents();
  walk.Run();
  host.SetShownObserver(nullptr);
  return walk.written();
}

}  // namespace pds::studio
