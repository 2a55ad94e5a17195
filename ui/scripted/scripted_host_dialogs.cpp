// The scripted host's dialogs. A modal dialog takes the next "dialog" step
// and is run in this order: the step is taken (so that a message the dialog
// shows on activation takes the steps after it), the dialog is activated, its
// state is recorded, then the step's code actions and the queued action steps
// play the user's part. Whatever those actions show (message boxes, nested
// dialogs) is run from inside, consuming the following steps, so nesting needs
// nothing special. A dialog still open when the script has nothing more for
// it is a failure and is closed by its Cancel button.
#include "pds/Text.h"
#include "pds/Dialog.h"
#include "ui/scripted/answer_script.h"
#include "ui/scripted/scripted_host.h"

namespace pds::ui {

void ScriptedHost::RunModal(Dialog& dialog) {
  if (!dialog.loaded() && !dialog.Load()) return;
  std::string description = "dialog [" + dialog.FormName() + "] " + Visible(dialog.Caption());
  Step step;
  bool expected = NextStep("dialog", &step, description);
  if (expected && !EqualsNoCase(step.title, dialog.FormName())) {
    Fail("expected dialog [" + step.title + "], but was shown " + description);
    expected = false;
  }
  std::size_t record = shown_.size();
  shown_.push_back(ShownItem{"dialog", dialog.Caption(), {}, 0, 0});
  dialog.Activate();
  shown_[record].text = dialog.Describe();
  if (expected) {
    if (step.actions && dialog.visible()) {
      try {
        step.actions(dialog);
      } catch (...) {
        Fail("the script's actions for " + dialog.FormName() + " raised an exception");
      }
      ReportRefusals(dialog, "");
    }
    RunQueuedActions(dialog);
  }
  if (dialog.visible()) {
    if (expected) Fail("dialog " + dialog.FormName() + " left open by the script");
    CloseLeftOpen(dialog);
  }
}

void ScriptedHost::RunQueuedActions(Dialog& dialog) {
  while (dialog.visible() && !steps_.empty() && steps_.front().kind == "action") {
    const std::string& form = steps_.front().form;
    // An action naming another dialog belongs to an outer one: this dialog's part is over.
    if (!form.empty() && !EqualsNoCase(form, dialog.FormName())) return;
    Step action = std::move(steps_.front());
    steps_.pop_front();
    PerformScriptAction(dialog, action);
    ReportRefusals(dialog, Trim(FormatStep(action)));
  }
}

void ScriptedHost::ReportRefusals(Dialog& dialog, const std::string& during) {
  for (const std::string& refusal : dialog.TakeRefusals()) {
    Fail("refused" + (during.empty() ? std::string() : " (" + during + ")") + ": " + refusal);
  }
}

void ScriptedHost::CloseLeftOpen(Dialog& dialog) {
  if (dialog.CancelButton()) dialog.PressEscape();
  if (dialog.visible()) dialog.CloseByUser();
  if (dialog.visible()) dialog.Hide();
  dialog.TakeRefusals();
}

void ScriptedHost::RecordProgress(Dialog& dialog) {
  shown_.push_back(ShownItem{"progress", dialog.Caption(), dialog.Describe(), 0, 0});
}

void ScriptedHost::ShowModeless(Dialog& dialog) {
  dialog.Activate();
  RecordProgress(dialog);
}

void ScriptedHost::Refresh(Dialog& dialog) { RecordProgress(dialog); }

void ScriptedHost::CloseModeless(Dialog& dialog) { RecordProgress(dialog); }

void ScriptedHost::ProcessEvents() {
  if (on_events_) on_events_();
}

ScriptedHost& ScriptedHost::Expect(ScriptStep step) {
  steps_.push_back(std::move(step));
  return *this;
}

bool ScriptedHost::AddScript(const std::string& text, std::string* error) {
  std::vector<ScriptStep> steps;
  if (!ParseAnswerScript(text, &steps, error)) return false;
  for (ScriptStep& s : steps) steps_.push_back(std::move(s));
  return true;
}

}  // namespace pds::ui
