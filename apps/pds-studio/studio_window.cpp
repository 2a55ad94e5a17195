#include "apps/pds-studio/studio_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <exception>
#include <vector>

#include "pds/ProjectSearch.h"
#include "pds/UiHost.h"
#include "pds/Variant.h"
#include "pds/clsDataDef.h"
#include "pds/clsMRUJobs.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"
#include "pds/clsUnitTags.h"
#include "pds/db/collection.h"
#include "pds/db/database.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/db/table_def.h"

namespace pds::studio {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr const char* kNoProject = "Open or create a project first";

}  // namespace

struct StudioWindow::Impl {
  std::string translator;
  QMenu* file_menu = nullptr;
  QAction* mru_end = nullptr;
  QAction* exit_action = nullptr;
  std::vector<QAction*> mru_actions;
  QComboBox* tag_types = nullptr;
  QListWidget* tags = nullptr;
  QTableWidget* fields = nullptr;
  QLabel* fields_title = nullptr;
  QLabel* status_project = nullptr;
  QLabel* status_folder = nullptr;
  QLabel* status_lock = nullptr;
  std::vector<QPushButton*> tag_buttons;
  RsHandle rs_tag;
  bool filling = false;
};

StudioWindow::StudioWindow(clsProjectDataServer& server, std::string translator)
    : server_(server), impl_(new Impl) {
  impl_->translator = std::move(translator);
  setObjectName(QStringLiteral("studio"));
  BuildMenus();
  BuildPane();
  impl_->status_project = new QLabel(this);
  impl_->status_folder = new QLabel(this);
  impl_->status_lock = new QLabel(this);
  statusBar()->addWidget(impl_->status_project);
  statusBar()->addWidget(impl_->status_folder, 1);
  statusBar()->addPermanentWidget(impl_->status_lock);
  resize(820, 520);
  RefreshAll();
}

StudioWindow::~StudioWindow() = default;

void StudioWindow::BuildMenus() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&File"));
  menu->setToolTipsVisible(true);
  impl_->file_menu = menu;
  auto add = [&](const char* name, const char* text, std::function<void()> operation, QKeySequence keys = {}) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setObjectName(QString::fromUtf8(name));
    if (!keys.isEmpty()) action->setShortcut(keys);
    connect(action, &QAction::triggered, this, [this, operation] { RunProjectOperation(operation); });
    return action;
  };
  add("actNew", "&New", [this] { server_.ProjectNew(); }, QKeySequence::New);
  add("actOpen", "&Open...", [this] { server_.ProjectOpen(); }, QKeySequence::Open);
  add("actSave", "&Save", [this] { server_.ProjectSave(); }, QKeySequence::Save);
  add("actSaveAs", "Save &As...", [this] { server_.ProjectSaveAs(); });
  add("actClose", "&Close", [this] {
    if (server_.PromptToSaveAndContinue() == RETURN_OK) server_.CloseCurrentProject();
  });
  add("actDelete", "&Delete", [this] { server_.ProjectDelete(); });
  menu->addSeparator();
  add("actProperties", "P&roperties...", [this] { server_.ProjectProperties(); });
  menu->addSeparator();
  add("actArchive", "Arc&hive...", [this] { server_.ProjectArchive(); });
  add("actRetrieve", "Re&trieve...", [this] { server_.ProjectRetrieve(); });
  add("actRetrievePrevious", "Retrieve from &Previous Version...",
      [this] { server_.ProjectRetrieveFromPreviousVersion(impl_->translator); });
  add("actFind", "&Find Projects...", [] {
    bool changed = false;
    FindAndAddProjects(changed);
  });
  menu->addSeparator();
  impl_->mru_end = menu->addSeparator();  // the recently used projects go above it
  impl_->exit_action = menu->addAction(QStringLiteral("E&xit"));
  impl_->exit_action->setObjectName(QStringLiteral("actExit"));
  connect(impl_->exit_action, &QAction::triggered, this, &QWidget::close);
}

void StudioWindow::BuildPane() {
  auto* splitter = new QSplitter(this);
  auto* left = new QWidget(splitter);
  auto* lv = new QVBoxLayout(left);
  lv->addWidget(new QLabel(QStringLiteral("Tag type:"), left));
  impl_->tag_types = new QComboBox(left);
  impl_->tag_types->setObjectName(QStringLiteral("tagTypes"));
  lv->addWidget(impl_->tag_types);
  lv->addWidget(new QLabel(QStringLiteral("Tags:"), left));
  impl_->tags = new QListWidget(left);
  impl_->tags->setObjectName(QStringLiteral("tags"));
  lv->addWidget(impl_->tags, 1);
  auto* buttons = new QHBoxLayout;
  for (const char* verb : {"New", "Copy", "Rename", "Delete"}) {
    auto* b = new QPushButton(QString::fromUtf8(verb), left);
    b->setObjectName(QStringLiteral("tag") + QString::fromUtf8(verb));
    connect(b, &QPushButton::clicked, this, [this, v = std::string(verb)] { TagOperation(v); });
    buttons->addWidget(b);
    impl_->tag_buttons.push_back(b);
  }
  lv->addLayout(buttons);

  auto* right = new QWidget(splitter);
  auto* rv = new QVBoxLayout(right);
  impl_->fields_title = new QLabel(right);
  rv->addWidget(impl_->fields_title);
  impl_->fields = new QTableWidget(0, 3, right);
  impl_->fields->setObjectName(QStringLiteral("fields"));
  impl_->fields->setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Value"), QStringLiteral("Default")});
  impl_->fields->horizontalHeader()->setStretchLastSection(true);
  impl_->fields->verticalHeader()->setVisible(false);
  rv->addWidget(impl_->fields, 1);
  splitter->setStretchFactor(1, 2);
  setCentralWidget(splitter);

  connect(impl_->tag_types, &QComboBox::activated, this, [this](int) {
    std::string type = impl_->tag_types->currentText().toStdString();
    server_.ResetTagType(type);
    server_.OpenTagData();
    RefreshTags();
  });
  connect(impl_->tags, &QListWidget::currentRowChanged, this, [this](int) {
    if (!impl_->filling) ShowTagFields();
  });
  connect(impl_->fields, &QTableWidget::cellChanged, this, [this](int row, int column) {
    if (!impl_->filling && column == 1) StoreField(row);
  });
}

void StudioWindow::RunProjectOperation(const std::function<void()>& operation) {
  operation();
  if (server_.Project()) server_.OpenTagData();
  RefreshAll();
}

void StudioWindow::RefreshAll() {
  RefreshMenus();
  RefreshTags();
  const ProjectRef& project = server_.Project();
  QString name = project ? Q(project->JobName()) : QStringLiteral("No project");
  if (project && project->ProjectDirty()) name += QLatin1Char('*');
  setWindowTitle(Q(server_.AppName()) + QStringLiteral(" - ") + name);
  impl_->status_project->setText(name);
  impl_->status_folder->setText(project ? Q(project->JobPath()) : QString());
  QString lock;
  if (project) {
    lock = server_.ReadOnly() ? QStringLiteral("Read-only")
                              : (project->LockHandles().empty() ? QStringLiteral("Not locked")
                                                                : QStringLiteral("Locked for editing"));
  }
  impl_->status_lock->setText(lock);
}

void StudioWindow::RefreshMenus() {
  const bool open = server_.Project() != nullptr;
  for (const char* name : {"actSave", "actSaveAs", "actClose", "actProperties", "actArchive"}) {
    QAction* a = Action(QString::fromUtf8(name));
    a->setEnabled(open);
    a->setToolTip(open ? QString() : QString::fromUtf8(kNoProject));
  }
  QAction* previous = Action(QStringLiteral("actRetrievePrevious"));
  previous->setEnabled(!impl_->translator.empty());
  previous->setToolTip(impl_->translator.empty()
                           ? QStringLiteral("The translator program (pds-translate) is not installed beside pds-studio")
                           : QString());
  for (QAction* a : impl_->mru_actions) {
    impl_->file_menu->removeAction(a);
    a->deleteLater();
  }
  impl_->mru_actions.clear();
  int n = 0;
  for (const clsMRUJob& job : server_.MRUJobs()) {
    const std::string job_name = job.JobName();
    QAction* a = new QAction(QStringLiteral("&%1 %2").arg(++n).arg(Q(job_name)), impl_->file_menu);
    a->setObjectName(QStringLiteral("mru%1").arg(n));
    connect(a, &QAction::triggered, this,
            [this, job_name] { RunProjectOperation([this, job_name] { server_.ProjectOpen(job_name); }); });
    impl_->file_menu->insertAction(impl_->mru_end, a);
    impl_->mru_actions.push_back(a);
  }
}

QAction* StudioWindow::Action(const QString& name) const { return impl_->file_menu->findChild<QAction*>(name); }

void StudioWindow::RefreshTags() {
  impl_->filling = true;
  const bool open = server_.Project() != nullptr;
  const QString selected = impl_->tags->currentItem() ? impl_->tags->currentItem()->text() : QString();
  impl_->tag_types->clear();
  impl_->tags->clear();
  if (open && server_.InitTagData()) {
    try {
      // The tag types are the tag database's tables that hold tags.
      db::TableDefCollection& tables = server_.dbTag()->TableDefs();
      for (int i = 0; i < tables.Count(); ++i) {
        auto table = tables.Item(i);
        if (table->Fields().Find("lTagId") && table->Fields().Find("TagName")) impl_->tag_types->addItem(Q(table->Name()));
      }
    } catch (const std::exception&) {
      // A tag database that cannot be read shows no types; the tags below still come from the component.
    }
    impl_->tag_types->setCurrentIndex(impl_->tag_types->findText(Q(server_.DefTagType()), Qt::MatchFixedString));
    for (const UnitTagRef& tag : server_.UnitTags()) impl_->tags->addItem(Q(tag->Name()));
  }
  impl_->tag_types->setEnabled(open);
  for (QPushButton* b : impl_->tag_buttons) {
    b->setEnabled(open);
    b->setToolTip(open ? QString() : QString::fromUtf8(kNoProject));
  }
  auto found = impl_->tags->findItems(selected, Qt::MatchFixedString);
  impl_->tags->setCurrentRow(found.isEmpty() ? (impl_->tags->count() > 0 ? 0 : -1) : impl_->tags->row(found[0]));
  impl_->filling = false;
  ShowTagFields();
}

bool StudioWindow::SelectTag(const std::string& name) {
  auto found = impl_->tags->findItems(Q(name), Qt::MatchFixedString);
  if (found.isEmpty()) return false;
  impl_->tags->setCurrentItem(found[0]);
  return true;
}

void StudioWindow::ShowTagFields() {
  impl_->filling = true;
  impl_->fields->setRowCount(0);
  impl_->fields_title->clear();
  QListWidgetItem* current = impl_->tags->currentItem();
  if (server_.Project() && current) {
    std::string type = server_.DefTagType();
    std::string name = current->text().toStdString();
    if (server_.OpenTag(type, name, impl_->rs_tag, false) == RETURN_OK && impl_->rs_tag) {
      impl_->fields_title->setText(QStringLiteral("%1 \"%2\"").arg(Q(type), Q(name)));
      try {
        db::FieldCollection& fields = impl_->rs_tag->Fields();
        for (int i = 0; i < fields.Count(); ++i) {
          auto field = fields.Item(i);
          // The grid shows what the data definitions describe, in their words.
          clsDataDef& def = server_.DataDef(field->Name(), type);
          if (def.Field().empty() || def.DisplayNever() != 0) continue;
          const int row = impl_->fields->rowCount();
          impl_->fields->insertRow(row);
          auto* caption = new QTableWidgetItem(Q(def.FriendlyName().empty() ? field->Name() : def.FriendlyName()));
          caption->setFlags(Qt::ItemIsEnabled);
          caption->setData(Qt::UserRole, Q(field->Name()));
          caption->setToolTip(Q(field->Name()));
          impl_->fields->setItem(row, 0, caption);
          impl_->fields->setItem(row, 1, new QTableWidgetItem(Q(field->Value().AsString())));
          auto* def_item = new QTableWidgetItem(Q(def.Default()));
          def_item->setFlags(Qt::ItemIsEnabled);
          impl_->fields->setItem(row, 2, def_item);
        }
      } catch (const std::exception&) {
        impl_->fields->setRowCount(0);
      }
      impl_->fields->resizeColumnToContents(0);
      impl_->fields->resizeColumnToContents(1);
    }
  }
  impl_->filling = false;
}

void StudioWindow::StoreField(int row) {
  const std::string field = impl_->fields->item(row, 0)->data(Qt::UserRole).toString().toStdString();
  const std::string value = impl_->fields->item(row, 1)->text().toStdString();
  if (!impl_->rs_tag) return;
  try {
    impl_->rs_tag->Edit();
    impl_->rs_tag->Fields(field).SetValue(Variant(value));
    impl_->rs_tag->Update();
    if (const UnitTagRef& tag = server_.SelectedTags().CurrentTag()) tag->SetDirty(true);
    if (server_.Project()) server_.Project()->SetProjectDirty(true);
    server_.SetAppDirty(true);
  } catch (const std::exception& e) {
    if (impl_->rs_tag) impl_->rs_tag->CancelUpdate();
    Ui().MsgBox(e.what(), vbExclamation, server_.AppName());
  }
  RefreshAll();
}

void StudioWindow::TagOperation(const std::string& verb) {
  std::string type = server_.DefTagType();
  QListWidgetItem* current = impl_->tags->currentItem();
  std::string name = current ? current->text().toStdString() : std::string();
  std::string new_name;
  // Empty new names: a new tag or a copy gets an automatic name, a rename
  // asks for the name in the component's name entry dialog.
  if (verb == "New") {
    server_.NewTag(type, new_name, impl_->rs_tag);
    name = new_name;
  } else if (verb == "Copy") {
    server_.CopyTag(type, name, new_name, impl_->rs_tag);
    name = new_name;
  } else if (verb == "Rename") {
    server_.RenameTag(type, name, new_name, impl_->rs_tag);
    name = new_name;
  } else if (verb == "Delete") {
    server_.DeleteTag(type, name);
  }
  server_.OpenTagData();
  RefreshAll();
  if (!name.empty()) SelectTag(name);
}

void StudioWindow::closeEvent(QCloseEvent* event) {
  if (server_.Project() && server_.PromptToSaveAndContinue() != RETURN_OK) {
    event->ignore();
    RefreshAll();
    return;
  }
  event->accept();
}

}  // namespace pds::studio
