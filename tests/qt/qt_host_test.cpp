// The desktop host under Qt's offscreen platform: windows built from dialog
// models, the user's clicks and typing reaching the models' handlers, message
// boxes and file dialogs from their requests, nested modal dialogs, and the
// studio's life cycle clicked through.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <deque>

#include "apps/pds-studio/studio_window.h"
#include "pds/Dialog.h"
#include "pds/HostEnv.h"
#include "pds/Installation.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"
#include "pds/clsUnitTags.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/qt/form_window.h"
#include "ui/qt/qt_host.h"

namespace pds::qt {
namespace {

// Answers the windows in the order they appear, each step checking and
// acting on one; a window nobody expected fails the test and is closed.
class QtHostTest : public ::testing::Test {
 protected:
  using Step = std::function<void(const std::string& kind, const std::string& name, QWidget& w)>;
  void SetUp() override {
    host_ = std::make_shared<QtHost>();
    host_->SetShownObserver([this](const std::string& kind, const std::string& name, QWidget& w) {
      if (steps_.empty()) {
        auto* box = qobject_cast<QMessageBox*>(&w);
        ADD_FAILURE() << "unexpected " << kind << " " << name << ": " << (box ? box->text().toStdString() : "");
        if (box && box->defaultButton()) {
          box->defaultButton()->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(&w)) {
          QTest::keyClick(dialog, Qt::Key_Escape);
          dialog->reject();
        }
        return;
      }
      Step step = std::move(steps_.front());
      steps_.pop_front();
      step(kind, name, w);
      if (kind == "form" && static_cast<FormWindow&>(w).model().visible()) {
        ADD_FAILURE() << name << " is still open after its step";
        QTest::keyClick(&w, Qt::Key_Escape);
      }
    });
    previous_ = SetUiHost(host_);
  }
  void TearDown() override {
    SetUiHost(previous_);
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " windows never appeared";
  }
  template <class W>
  static W* Child(QWidget& w, const char* name) {
    W* child = w.findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  std::shared_ptr<QtHost> host_;
  std::shared_ptr<UiHost> previous_;
  std::deque<Step> steps_;
};

class SampleForm : public Dialog {
 public:
  SampleForm() : Dialog("frmSample") {
    SetCaption("Sample Form");
    lblName.SetCaption("&Name:");
    txtName.SetMaxLength(8);
    chkKeep.SetCaption("Keep");
    lvw.AddColumn("n", "Project", 20);
    lvw.AddColumn("f", "Folder", 20);
    lvw.SetCheckboxes(true);
    lvw.AddItem("", "Alpha")->SetSubItem(1, "/p/a");
    lvw.AddItem("", "Beta")->SetSubItem(1, "/p/b");
    lvw.ItemCheck = [this](ListItem& item) { checked = item.Text(); };
    cmdOK.SetCaption("OK");
    cmdOK.SetDefault(true);
    cmdOK.SetEnabled(false);
    cmdOK.SetToolTipText("Type a name first");
    cmdOK.Click = [this] { Hide(); };
    cmdCancel.SetCaption("Cancel");
    cmdCancel.SetCancel(true);
    cmdCancel.Click = [this] { Hide(); };
    txtName.Change = [this] {
      ++changes;
      cmdOK.SetEnabled(!txtName.Text().empty());
    };
  }
  Label& lblName = Add<Label>("lblName");
  TextBox& txtName = Add<TextBox>("txtName");
  CheckBox& chkKeep = Add<CheckBox>("chkKeep");
  ListView& lvw = Add<ListView>("lvw");
  CommandButton& cmdOK = Add<CommandButton>("cmdOK");
  CommandButton& cmdCancel = Add<CommandButton>("cmdCancel");
  int changes = 0;
  std::string checked;
};

TEST_F(QtHostTest, FormShowsModelStateAndUserActionsReachHandlers) {
  SampleForm form;
  steps_.push_back([&](const std::string& kind, const std::string& name, QWidget& w) {
    EXPECT_EQ(kind + name, "formfrmSample");
    EXPECT_EQ(w.windowTitle(), "Sample Form");
    auto* ok = Child<QPushButton>(w, "cmdOK");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_EQ(ok->toolTip(), "Type a name first");
    auto* list = Child<QTreeWidget>(w, "lvw");
    EXPECT_EQ(list->headerItem()->text(1), "Folder");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "/p/b");
    QTest::keyClicks(Child<QLineEdit>(w, "txtName"), "Pump station");  // cut to MaxLength 8
    EXPECT_TRUE(ok->isEnabled());
    QTest::mouseClick(Child<QCheckBox>(w, "chkKeep"), Qt::LeftButton);
    list->topLevelItem(1)->setCheckState(0, Qt::Checked);
    QTest::keyClick(&w, Qt::Key_Return);  // the default button
  });
  form.Show();
  EXPECT_EQ(form.txtName.Text(), "Pump sta");
  EXPECT_EQ(form.changes, 8);
  EXPECT_EQ(form.chkKeep.Value(), vbChecked);
  EXPECT_EQ(form.checked, "Beta");
  EXPECT_FALSE(form.visible());
}

TEST_F(QtHostTest, NestedModalDialogRunsAboveItsOwnerAndReturnsToIt) {
  SampleForm outer, inner;
  outer.cmdOK.SetEnabled(true);
  outer.cmdOK.Click = [&] { inner.Show(); };
  steps_.push_back([&](const std::string&, const std::string&, QWidget& w) {
    QTest::mouseClick(Child<QPushButton>(w, "cmdOK"), Qt::LeftButton);
    // Back from the inner dialog: the owner still runs and takes Escape.
    EXPECT_TRUE(outer.visible());
    QTest::keyClick(&w, Qt::Key_Escape);
  });
  steps_.push_back([&](const std::string&, const std::string&, QWidget& w) {
    EXPECT_EQ(w.parentWidget(), host_->WindowOf(outer));
    QTest::keyClicks(Child<QLineEdit>(w, "txtName"), "x");
    QTest::keyClick(&w, Qt::Key_Return);
  });
  outer.Show();
  EXPECT_EQ(inner.txtName.Text(), "x");
  EXPECT_FALSE(outer.visible());
}

struct BoxCase {
  const char* label;
  int style;
  QMessageBox::Icon icon;
  int buttons;
  QMessageBox::StandardButton default_button;
  int answer;
};

class QtMessageBoxTest : public QtHostTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(QtMessageBoxTest, StyleGivesIconButtonsAndDefault) {
  const BoxCase& c = GetParam();
  steps_.push_back([&](const std::string& kind, const std::string& name, QWidget& w) {
    auto& box = static_cast<QMessageBox&>(w);
    EXPECT_EQ(kind + "/" + name, "msgbox/Title");
    EXPECT_EQ(box.text(), "Line 1\nLine 2");
    EXPECT_EQ(box.icon(), c.icon);
    EXPECT_EQ(box.buttons().size(), c.buttons);
    ASSERT_NE(box.defaultButton(), nullptr);
    EXPECT_EQ(box.standardButton(box.defaultButton()), c.default_button);
    QTest::keyClick(&box, Qt::Key_Return);
  });
  EXPECT_EQ(host_->MsgBox("Line 1\r\nLine 2", c.style, "Title"), c.answer);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, QtMessageBoxTest,
    ::testing::Values(BoxCase{"OkInformation", vbOKOnly | vbInformation, QMessageBox::Information, 1, QMessageBox::Ok, vbOK},
                      BoxCase{"YesNoCancelQuestion", vbYesNoCancel | vbQuestion, QMessageBox::Question, 3,
                              QMessageBox::Yes, vbYes},
                      BoxCase{"YesNoExclamationSecond", vbYesNo | vbExclamation | vbDefaultButton2,
                              QMessageBox::Warning, 2, QMessageBox::No, vbNo},
                      BoxCase{"AbortRetryIgnoreCriticalThird", vbAbortRetryIgnore | vbCritical | vbDefaultButton3,
                              QMessageBox::Critical, 3, QMessageBox::Ignore, vbIgnore},
                      BoxCase{"RetryCancel", vbRetryCancel, QMessageBox::NoIcon, 2, QMessageBox::Retry, vbRetry}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(QtHostTest, SaveDialogTakesFiltersExtensionFolderAndOverwriteFlag) {
  FileDialogRequest request;
  request.save = true;
  request.title = "Archive Project";
  request.filter = "Archive Files (*.QVA)|*.QVA|All Files (*.*)|*.*";
  request.default_ext = "QVA";
  request.initial_folder = host::TempFolder();
  request.flags = 0x2;  // overwrite prompt
  steps_.push_back([&](const std::string& kind, const std::string&, QWidget& w) {
    auto& d = static_cast<QFileDialog&>(w);
    EXPECT_EQ(kind, "file");
    EXPECT_EQ(d.nameFilters(), QStringList({"Archive Files (*.QVA *.qva)", "All Files (*)"}));
    EXPECT_EQ(d.defaultSuffix(), "QVA");
    EXPECT_FALSE(d.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
    d.selectFile(QString::fromStdString(host::TempFolder() + "plant"));
    static_cast<QDialog&>(d).accept();
  });
  std::string chosen;
  EXPECT_TRUE(host_->FileDialog(request, &chosen));
  EXPECT_EQ(chosen, host::TempFolder() + "plant.QVA");
}

// The studio's life cycle, by clicks: New, two tags, Save As through the
// folder dialog, Close, Open from the select dialog, Properties.
TEST_F(QtHostTest, StudioLifeCycleByClicks) {
  const std::string root = host::MakeTempFolder("qt-studio");
  ASSERT_FALSE(root.empty());
  install::InstallOptions options;
  options.root = root;
  options.apps = {"PMP10"};
  std::string error;
  ASSERT_TRUE(install::BuildInstallation(options, &error)) << error;
  {
    clsProjectDataServer server;
    ASSERT_EQ(server.PDSInitialize(root + "/TVX-ii/PMP10/Code", "PMP10", ""), RETURN_OK);
    studio::StudioWindow window(server, "");
    host_->SetMainWindow(&window);
    window.show();
    auto click = [&](const char* action) { window.Action(QString::fromUtf8(action))->trigger(); };
    click("actNew");
    ASSERT_TRUE(server.Project());
    const long tags = server.UnitTags().Count();
    QTest::mouseClick(window.findChild<QPushButton*>("tagNew"), Qt::LeftButton);  // an automatic name
    steps_.push_back([&](const std::string&, const std::string& name, QWidget& w) {
      EXPECT_EQ(name, "frmNew");
      Child<QLineEdit>(w, "txtName")->selectAll();
      QTest::keyClicks(Child<QLineEdit>(w, "txtName"), "P-200");
      QTest::keyClick(&w, Qt::Key_Return);
    });
    QTest::mouseClick(window.findChild<QPushButton*>("tagRename"), Qt::LeftButton);
    EXPECT_EQ(server.UnitTags().Count(), tags + 1);
    EXPECT_TRUE(server.UnitTags().Item("P-200"));
    // An edit in the field grid reaches the tag's row.
    auto* grid = window.findChild<QTableWidget*>("fields");
    auto flow = grid->findItems("Flow Rate", Qt::MatchExactly);
    ASSERT_EQ(flow.size(), 1);
    const std::string field = flow[0]->data(Qt::UserRole).toString().toStdString();
    grid->item(flow[0]->row(), 1)->setText("123.5");
    RsHandle rs;
    std::string type = server.DefTagType(), tag = "P-200";
    ASSERT_EQ(server.OpenTag(type, tag, rs, false), RETURN_OK);
    EXPECT_EQ(rs->Fields(field).Value().AsDouble(), 123.5);
    steps_.push_back([&](const std::string&, const std::string& name, QWidget& w) {
      EXPECT_EQ(name, "frmSaveProjectAs");
      QTest::mouseClick(Child<QPushButton>(w, "cmdChangeFolder"), Qt::LeftButton);
      Child<QLineEdit>(w, "txtName")->selectAll();
      QTest::keyClicks(Child<QLineEdit>(w, "txtName"), "Clicked Plant");
      QTest::keyClick(&w, Qt::Key_Return);
    });
    steps_.push_back([&](const std::string&, const std::string& name, QWidget& w) {
      EXPECT_EQ(name, "frmFolder");  // nested in the save-as dialog
      QTest::keyClick(&w, Qt::Key_Escape);
    });
    click("actSaveAs");
    ASSERT_TRUE(server.Project());
    EXPECT_EQ(server.Project()->JobName(), "Clicked Plant");
    click("actClose");
    EXPECT_FALSE(server.Project());
    steps_.push_back([&](const std::string&, const std::string& name, QWidget& w) {
      EXPECT_EQ(name, "frmSelect");
      auto* list = Child<QTreeWidget>(w, "lvwProjects");
      auto found = list->findItems("Clicked Plant", Qt::MatchFixedString);
      ASSERT_EQ(found.size(), 1);
      // A double click is a press and release, then the double-click event.
      const QPoint at = list->visualItemRect(found[0]).center();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    });
    click("actOpen");
    ASSERT_TRUE(server.Project());
    EXPECT_TRUE(server.UnitTags().Item("P-200"));
    steps_.push_back([&](const std::string&, const std::string& name, QWidget& w) {
      EXPECT_EQ(name, "frmProperties");
      EXPECT_EQ(Child<QLineEdit>(w, "txtJobName")->text(), "Clicked Plant");
      QTest::keyClicks(Child<QLineEdit>(w, "txtJobNumber"), "42");
      QTest::keyClick(&w, Qt::Key_Return);
    });
    click("actProperties");
    EXPECT_EQ(server.Project()->JobNumber(), "42");
    steps_.push_back([&](const std::string& kind, const std::string& title, QWidget& w) {
      EXPECT_EQ(kind + "/" + title, "msgbox/Save Changes");
      QTest::mouseClick(static_cast<QMessageBox&>(w).button(QMessageBox::No), Qt::LeftButton);
    });
    host_->SetMainWindow(nullptr);
    server.ExitProgram();
  }
  host::RemoveTree(root);
}

}  // namespace
}  // namespace pds::qt

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
