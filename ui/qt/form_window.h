// One desktop window for any dialog model. The window is built once from the
// model's controls, in their creation order: a caption ending in ":" sits
// beside the control it names, buttons line up at the bottom, list views and
// tab strips take the full width. Every widget carries its control's name as
// its object name, so tests and screenshots find it the way a script does.
//
// The window holds no dialog logic. A user's action on a widget becomes the
// model's own action (TypeText, ClickButton, Check ...), and afterwards Sync
// copies the whole model state back into the widgets: captions, texts,
// enabled and visible states, list items and check marks. Widget signals
// raised while syncing are ignored, so a handler never sees its own echo.
//
// The window belongs to the host that made it and never outlives the model.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

namespace pds {
class Dialog;
}

namespace pds::qt {

class FormWindow : public QDialog {
 public:
  FormWindow(Dialog& dialog, QWidget* parent);
  ~FormWindow() override;

  Dialog& model() const { return dialog_; }
  // Copies the model's state into the widgets; called after every action.
  void Sync();
  // Runs when an action left the model hidden or unloaded.
  void SetOnHidden(std::function<void()> on_hidden) { on_hidden_ = std::move(on_hidden); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Impl;
  // Runs a user's action on the model, then brings the widgets up to date.
  void Act(const std::function<void()>& action);

  Dialog& dialog_;
  std::unique_ptr<Impl> impl_;
  std::function<void()> on_hidden_;
};

// "&Open" -> "Open": a caption as text, without its access-key marks.
QString PlainCaption(const std::string& caption);

}  // namespace pds::qt
