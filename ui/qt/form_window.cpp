#include "ui/qt/form_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <climits>
#include <vector>

#include "pds/Controls.h"
#include "pds/Dialog.h"

namespace pds::qt {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The form toolkit's line ends are CR LF; Qt wants LF.
QString Lines(const std::string& text) { return Q(text).remove(QLatin1Char('\r')); }

bool IsCaptionLabel(const Control& c) {
  if (c.Kind() != ControlKind::kLabel) return false;
  const std::string& text = c.Caption();
  std::size_t end = text.find_last_not_of(' ');
  return end != std::string::npos && text[end] == ':';
}

// What a caption label may stand beside: a control holding a value.
bool TakesCaption(const Control& c) {
  switch (c.Kind()) {
    case ControlKind::kTextBox:
    case ControlKind::kComboBox:
    case ControlKind::kProgressBar: return true;
    case ControlKind::kLabel: return !IsCaptionLabel(c);
    default: return false;
  }
}

// A text that changes when a list's items, checks or selection change, so the
// widget is rebuilt only when there is something new to show.
std::string ListSignature(const ListView& lv) {
  std::string sig;
  for (int i = 1; i <= lv.ColumnCount(); ++i) sig += lv.Column(i)->Text() + '\x1f' + std::to_string(lv.Column(i)->Width()) + '\x1e';
  for (int i = 1; i <= lv.ItemCount(); ++i) {
    const ListItem* item = lv.Item(i);
    for (int c = 0; c < lv.ColumnCount() || c == 0; ++c) sig += item->ColumnText(c) + '\x1f';
    sig += item->Checked() ? '1' : '0';
    sig += '\x1e';
  }
  return sig + (lv.Checkboxes() ? "c" : "");
}

std::string ListSignature(const ListControl& list) {
  std::string sig;
  for (int i = 0; i < list.ListCount(); ++i) sig += list.List(i) + '\x1e';
  return sig;
}

// Refills a combo or list box only when the model's list changed, so a redraw
// keeps what the user sees (scroll position, an open drop-down) as it is.
template <class Widget>
void RefillItems(const ListControl& list, Widget* widget, std::string& signature) {
  std::string sig = ListSignature(list);
  if (sig == signature) return;
  widget->clear();
  for (int i = 0; i < list.ListCount(); ++i) widget->addItem(Q(list.List(i)));
  signature = std::move(sig);
}

std::string TabSignature(const TabStrip& tabs) {
  std::string sig;
  for (int i = 1; i <= tabs.TabCount(); ++i) sig += tabs.GetTab(i)->Caption() + '\x1e';
  return sig;
}

int ToInt(long v) { return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v)); }

}  // namespace

QString PlainCaption(const std::string& caption) {
  QString out;
  const QString in = Q(caption);
  for (int i = 0; i < in.size(); ++i) {
    if (in[i] == QLatin1Char('&') && i + 1 < in.size()) ++i;
    out += in[i];
  }
  return out;
}

struct FormWindow::Impl {
  struct Bound {
    Control* control = nullptr;
    QWidget* widget = nullptr;
    std::string signature;
  };
  std::vector<Bound> bound;
  bool syncing = false;
  bool acting = false;
  QTreeWidgetItem* just_selected = nullptr;

  QWidget* WidgetOf(const Control* c) const {
    for (const Bound& b : bound) {
      if (b.control == c) return b.widget;
    }
    return nullptr;
  }
};

FormWindow::FormWindow(Dialog& dialog, QWidget* parent) : QDialog(parent), dialog_(dialog), impl_(new Impl) {
  setObjectName(Q(dialog.FormName()));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* outer = new QHBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  auto* body = new QVBoxLayout;
  body->addLayout(grid);
  body->addStretch();
  outer->addLayout(body, 1);
  auto* buttons = new QVBoxLayout;
  outer->addLayout(buttons);
  int row = 0;
  QWidget* pending_caption = nullptr;

  const auto& controls = dialog.Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    Control& c = *controls[i];
    const std::string name = c.Name();
    QWidget* w = nullptr;
    switch (c.Kind()) {
      case ControlKind::kCommandButton: {
        auto* b = new QPushButton(this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, name] { Act([&] { dialog_.ClickButton(name); }); });
        buttons->addWidget(b);
        w = b;
        break;
      }
      case ControlKind::kLabel: {
        auto* l = new QLabel(this);
        l->setTextInteractionFlags(Qt::NoTextInteraction);
        w = l;
        break;
      }
      case ControlKind::kFrame: {
        auto* l = new QLabel(this);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        w = l;
        break;
      }
      case ControlKind::kTextBox: {
        auto& tb = static_cast<TextBox&>(c);
        if (tb.MultiLine()) {
          auto* e = new QPlainTextEdit(this);
          e->setTabChangesFocus(true);
          e->setMinimumHeight(e->fontMetrics().height() * 4);
          connect(e, &QPlainTextEdit::textChanged, this, [this, name, e] {
            if (impl_->syncing) return;
            const std::string text = e->toPlainText().replace(QLatin1String("\n"), QLatin1String("\r\n")).toStdString();
            Act([&] { dialog_.TypeText(name, text); });
          });
          w = e;
        } else {
          auto* e = new QLineEdit(this);
          e->setMinimumWidth(e->fontMetrics().averageCharWidth() * 42);
          connect(e, &QLineEdit::textEdited, this, [this, name](const QString& text) {
            Act([&] { dialog_.TypeText(name, text.toStdString()); });
          });
          w = e;
        }
        break;
      }
      case ControlKind::kCheckBox: {
        auto* b = new QCheckBox(this);
        connect(b, &QCheckBox::clicked, this, [this, name] { Act([&] { dialog_.ClickButton(name); }); });
        w = b;
        break;
      }
      case ControlKind::kOptionButton: {
        auto* b = new QRadioButton(this);
        b->setAutoExclusive(false);  // the model keeps its groups exclusive
        connect(b, &QRadioButton::clicked, this, [this, name] { Act([&] { dialog_.ClickButton(name); }); });
        w = b;
        break;
      }
      case ControlKind::kComboBox: {
        auto& cb = static_cast<ComboBox&>(c);
        auto* box = new QComboBox(this);
        box->setEditable(cb.Editable());
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        connect(box, &QComboBox::activated, this, [this, name](int index) {
          if (!impl_->syncing) Act([&] { dialog_.SelectItem(name, index); });
        });
        if (box->lineEdit()) {
          connect(box->lineEdit(), &QLineEdit::textEdited, this, [this, name](const QString& text) {
            Act([&] { dialog_.TypeText(name, text.toStdString()); });
          });
        }
        w = box;
        break;
      }
      case ControlKind::kListBox: {
        auto* list = new QListWidget(this);
        connect(list, &QListWidget::currentRowChanged, this, [this, name](int r) {
          if (!impl_->syncing && r >= 0) Act([&] { dialog_.SelectItem(name, r); });
        });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, name] { Act([&] { dialog_.DoubleClick(name); }); });
        w = list;
        break;
      }
      case ControlKind::kListView: {
        auto* tree = new QTreeWidget(this);
        tree->setRootIsDecorated(false);
        tree->setUniformRowHeights(true);
        tree->setAllColumnsShowFocus(true);
        tree->header()->setSectionsClickable(true);
        tree->header()->setStretchLastSection(true);
        tree->setMinimumSize(tree->fontMetrics().averageCharWidth() * 60, tree->fontMetrics().height() * 8);
        connect(tree, &QTreeWidget::currentItemChanged, this, [this, name, tree](QTreeWidgetItem* item) {
          if (impl_->syncing || !item) return;
          impl_->just_selected = item;
          const int index = tree->indexOfTopLevelItem(item) + 1;
          Act([&] { dialog_.SelectItem(name, index); });
        });
        connect(tree, &QTreeWidget::itemClicked, this, [this, name, tree](QTreeWidgetItem* item) {
          if (impl_->syncing) return;
          if (impl_->just_selected == item) {
            impl_->just_selected = nullptr;
            return;
          }
          const int index = tree->indexOfTopLevelItem(item) + 1;
          if (index > 0) Act([&] { dialog_.SelectItem(name, index); });
        });
        connect(tree, &QTreeWidget::itemChanged, this, [this, name, tree](QTreeWidgetItem* item, int column) {
          if (impl_->syncing || column != 0) return;
          const int index = tree->indexOfTopLevelItem(item) + 1;
          const bool checked = item->checkState(0) == Qt::Checked;
          Act([&] { dialog_.Check(name, index, checked); });
        });
        connect(tree, &QTreeWidget::itemDoubleClicked, this, [this, name, tree](QTreeWidgetItem* item) {
          const int index = tree->indexOfTopLevelItem(item) + 1;
          Act([&] { dialog_.DoubleClick(name, index); });
        });
        connect(tree->header(), &QHeaderView::sectionClicked, this, [this, name](int section) {
          Act([&] { dialog_.ClickColumn(name, section + 1); });
        });
        w = tree;
        break;
      }
      case ControlKind::kTabStrip: {
        auto* tabs = new QTabBar(this);
        tabs->setExpanding(false);
        connect(tabs, &QTabBar::currentChanged, this, [this, name](int index) {
          if (!impl_->syncing && index >= 0) Act([&] { dialog_.SelectTab(name, index + 1); });
        });
        w = tabs;
        break;
      }
      case ControlKind::kProgressBar: {
        auto* bar = new QProgressBar(this);
        bar->setMinimumWidth(bar->fontMetrics().averageCharWidth() * 60);
        w = bar;
        break;
      }
      case ControlKind::kAnimation: {
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0);  // a busy indicator while the clip plays
        bar->setTextVisible(false);
        bar->setMaximumHeight(bar->fontMetrics().height() / 2 + 4);
        w = bar;
        break;
      }
    }
    w->setObjectName(Q(name));
    impl_->bound.push_back({&c, w, {}});
    if (c.CanFocus()) w->installEventFilter(this);
    if (c.Kind() == ControlKind::kCommandButton) continue;

    // A caption label beside the value it names; everything else spans the row.
    if (IsCaptionLabel(c) && i + 1 < controls.size() && TakesCaption(*controls[i + 1])) {
      grid->addWidget(w, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
      pending_caption = w;
      continue;
    }
    if (pending_caption) {
      grid->addWidget(w, row++, 1);
      if (auto* label = qobject_cast<QLabel*>(pending_caption); label && c.CanFocus()) label->setBuddy(w);
      pending_caption = nullptr;
    } else {
      const bool toggle = c.Kind() == ControlKind::kCheckBox || c.Kind() == ControlKind::kOptionButton;
      grid->addWidget(w, row++, 0, 1, 2, toggle ? Qt::AlignLeft : Qt::Alignment());
    }
  }
  buttons->addStretch();
  Sync();
}

FormWindow::~FormWindow() = default;

void FormWindow::Act(const std::function<void()>& action) {
  if (impl_->syncing) return;
  const bool outer = !impl_->acting;
  impl_->acting = true;
  action();
  dialog_.TakeRefusals();  // the widgets mirror the model, so a refusal only repeats what is shown
  if (!outer) return;
  impl_->acting = false;
  if (!dialog_.visible()) {
    if (on_hidden_) on_hidden_();
    return;
  }
  Sync();
}

void FormWindow::Sync() {
  impl_->syncing = true;
  setWindowTitle(Q(dialog_.Caption()));
  for (Impl::Bound& b : impl_->bound) {
    Control& c = *b.control;
    QWidget* w = b.widget;
    switch (c.Kind()) {
      case ControlKind::kCommandButton: {
        auto* button = static_cast<QPushButton*>(w);
        button->setText(Q(c.Caption()));
        button->setDefault(static_cast<CommandButton&>(c).Default());
        break;
      }
      case ControlKind::kLabel: {
        auto* label = static_cast<QLabel*>(w);
        const std::string& text = c.Caption();
        label->setText(label->buddy() ? Lines(text) : PlainCaption(text).remove(QLatin1Char('\r')));
        // A long text wraps; its label is made tall enough for the wrapped
        // lines at its minimum width, so nothing is cut off at the bottom.
        const bool wrap = text.size() > 60;
        label->setWordWrap(wrap);
        if (wrap) {
          const int width = label->fontMetrics().averageCharWidth() * 60;
          label->setMinimumSize(width, label->heightForWidth(width));
        }
        break;
      }
      case ControlKind::kFrame: static_cast<QLabel*>(w)->setText(PlainCaption(c.Caption())); break;
      case ControlKind::kTextBox: {
        auto& tb = static_cast<TextBox&>(c);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
          if (e->text().toStdString() != tb.Text()) {
            // The user's typing keeps the caret where it was; text set by the
            // dialog shows from its start, as the model's caret says.
            const int pos = e->hasFocus() ? e->cursorPosition() : 0;
            e->setText(Q(tb.Text()));
            e->setCursorPosition(std::min(pos, static_cast<int>(e->text().size())));
          }
          e->setReadOnly(tb.Locked());
          e->setMaxLength(tb.MaxLength() > 0 ? tb.MaxLength() : 32767);
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
          if (p->toPlainText() != Lines(tb.Text())) p->setPlainText(Lines(tb.Text()));
          p->setReadOnly(tb.Locked());
        }
        break;
      }
      case ControlKind::kCheckBox: {
        auto* box = static_cast<QCheckBox*>(w);
        box->setText(Q(c.Caption()));
        const int v = static_cast<CheckBox&>(c).Value();
        box->setCheckState(v == vbChecked ? Qt::Checked : (v == vbGrayed ? Qt::PartiallyChecked : Qt::Unchecked));
        break;
      }
      case ControlKind::kOptionButton: {
        auto* b = static_cast<QRadioButton*>(w);
        b->setText(Q(c.Caption()));
        b->setChecked(static_cast<OptionButton&>(c).Value());
        break;
      }
      case ControlKind::kComboBox: {
        auto& cb = static_cast<ComboBox&>(c);
        auto* box = static_cast<QComboBox*>(w);
        RefillItems(cb, box, b.signature);
        box->setCurrentIndex(cb.ListIndex());
        if (box->isEditable() && box->currentText().toStdString() != cb.Text()) box->setEditText(Q(cb.Text()));
        break;
      }
      case ControlKind::kListBox: {
        auto& lb = static_cast<ListBox&>(c);
        auto* list = static_cast<QListWidget*>(w);
        RefillItems(lb, list, b.signature);
        list->setCurrentRow(lb.ListIndex());
        break;
      }
      case ControlKind::kListView: {
        auto& lv = static_cast<ListView&>(c);
        auto* tree = static_cast<QTreeWidget*>(w);
        std::string sig = ListSignature(lv);
        if (sig != b.signature) {
          const int columns = std::max(1, lv.ColumnCount());
          tree->clear();
          tree->setColumnCount(columns);
          tree->setHeaderHidden(lv.ColumnCount() == 0);
          QStringList headers;
          for (int i = 1; i <= lv.ColumnCount(); ++i) headers << PlainCaption(lv.Column(i)->Text());
          tree->setHeaderLabels(headers);
          const int char_width = tree->fontMetrics().averageCharWidth();
          for (int i = 1; i <= lv.ItemCount(); ++i) {
            const ListItem* li = lv.Item(i);
            auto* item = new QTreeWidgetItem;
            for (int col = 0; col < columns; ++col) item->setText(col, Q(li->ColumnText(col)));
            if (lv.Checkboxes()) item->setCheckState(0, li->Checked() ? Qt::Checked : Qt::Unchecked);
            tree->addTopLevelItem(item);
          }
          for (int i = 1; i <= lv.ColumnCount(); ++i) {
            const int width = lv.Column(i)->Width();
            if (width > 0) {
              tree->setColumnWidth(i - 1, width * char_width + 16);
            } else {
              tree->resizeColumnToContents(i - 1);
            }
          }
          b.signature = std::move(sig);
        }
        const ListItem* selected = lv.SelectedItem();
        QTreeWidgetItem* current = selected ? tree->topLevelItem(selected->Index() - 1) : nullptr;
        if (tree->currentItem() != current) tree->setCurrentItem(current);
        if (!current) tree->clearSelection();
        if (const ListItem* seen = lv.VisibleItem()) {
          if (QTreeWidgetItem* item = tree->topLevelItem(seen->Index() - 1)) tree->scrollToItem(item);
        }
        if (lv.Sorted()) {
          tree->header()->setSortIndicatorShown(true);
          tree->header()->setSortIndicator(lv.SortKey(),
                                           lv.SortOrder() == lvwDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
        }
        break;
      }
      case ControlKind::kTabStrip: {
        auto& ts = static_cast<TabStrip&>(c);
        auto* tabs = static_cast<QTabBar*>(w);
        std::string sig = TabSignature(ts);
        if (sig != b.signature) {
          while (tabs->count() > 0) tabs->removeTab(0);
          for (int i = 1; i <= ts.TabCount(); ++i) tabs->addTab(PlainCaption(ts.GetTab(i)->Caption()));
          b.signature = std::move(sig);
        }
        if (const Tab* tab = ts.SelectedItem()) tabs->setCurrentIndex(tab->Index() - 1);
        break;
      }
      case ControlKind::kProgressBar: {
        auto& pb = static_cast<ProgressBar&>(c);
        auto* bar = static_cast<QProgressBar*>(w);
        bar->setRange(ToInt(pb.Min()), ToInt(pb.Max()));
        bar->setValue(ToInt(pb.Value()));
        break;
      }
      case ControlKind::kAnimation: break;
    }
    const bool shown = c.Visible() && (c.Kind() != ControlKind::kAnimation || static_cast<Animation&>(c).Playing());
    w->setHidden(!shown);
    w->setEnabled(c.Enabled());
    w->setToolTip(Q(c.ToolTipText()));
  }
  // The focus follows the model, which may have moved it (SetFocus in a handler).
  if (QWidget* focus = impl_->WidgetOf(dialog_.ActiveControl()); focus && isVisible() && focusWidget() != focus &&
                                                                  focus->isVisible() && focus->isEnabled()) {
    focus->setFocus(Qt::OtherFocusReason);
  }
  impl_->syncing = false;
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !qobject_cast<QPlainTextEdit*>(focusWidget())) {
    Act([&] { dialog_.PressEnter(); });
    return;
  }
  if (key == Qt::Key_Escape) {
    Act([&] { dialog_.PressEscape(); });
    return;
  }
  QWidget::keyPressEvent(event);  // not QDialog's: Enter and Escape belong to the model
}

void FormWindow::closeEvent(QCloseEvent* event) {
  if (dialog_.visible()) {
    event->ignore();
    Act([&] { dialog_.CloseByUser(); });
    return;
  }
  event->accept();
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && !impl_->syncing && !impl_->acting) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    // Only the user's own moves count; a window coming back to the front is not one.
    if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason) {
      for (const Impl::Bound& b : impl_->bound) {
        if (b.widget == watched && b.control != dialog_.ActiveControl()) {
          const std::string name = b.control->Name();
          Act([&] { dialog_.Focus(name); });
          break;
        }
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace pds::qt
