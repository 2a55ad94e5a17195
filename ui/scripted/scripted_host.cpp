#include "ui/scripted/scripted_host.h"

#include "pds/Text.h"
#include "ui/scripted/answer_script.h"

namespace pds::ui {

std::string Visible(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

namespace {
// How an expected step reads in a failure report.
std::string StepText(const ScriptStep& s) {
  if (s.kind == "action") return "action '" + Trim(FormatStep(s)) + "'";
  return s.kind + " [" + s.title + "] " + Visible(s.text);
}
}  // namespace

namespace {
ScriptStep StepOf(std::string kind, std::string title, std::string text) {
  ScriptStep step;
  step.kind = std::move(kind);
  step.title = std::move(title);
  step.text = std::move(text);
  return step;
}
}  // namespace

ScriptedHost& ScriptedHost::ExpectMsgBox(std::string title, std::string text, int answer) {
  ScriptStep step = StepOf("msgbox", std::move(title), std::move(text));
  step.answer = answer;
  return Expect(std::move(step));
}

ScriptedHost& ScriptedHost::ExpectMsgBoxContaining(std::string title, std::string fragment, int answer) {
  ScriptStep step = StepOf("msgbox", std::move(title), std::move(fragment));
  step.contains = true;
  step.answer = answer;
  return Expect(std::move(step));
}

ScriptedHost& ScriptedHost::ExpectInputBox(std::string title, std::string answer) {
  return Expect(StepOf("input", std::move(title), std::move(answer)));
}

ScriptedHost& ScriptedHost::ExpectInputBoxCancel(std::string title) {
  ScriptStep step = StepOf("input", std::move(title), "");
  step.cancel = true;
  return Expect(std::move(step));
}

ScriptedHost& ScriptedHost::ExpectDialog(std::string name, std::function<void(Dialog&)> actions) {
  ScriptStep step = StepOf("dialog", std::move(name), "");
  step.actions = std::move(actions);
  return Expect(std::move(step));
}

ScriptedHost& ScriptedHost::ExpectBrowseForFolder(std::string answer) {
  return Expect(StepOf("folder", "", std::move(answer)));
}

ScriptedHost& ScriptedHost::ExpectFileDialog(std::string answer) { return Expect(StepOf("file", "", std::move(answer))); }

std::vector<std::string> ScriptedHost::Problems() const {
  std::vector<std::string> all = failures_;
  for (const Step& s : steps_) {
    all.push_back("expected but never shown: " + StepText(s));
  }
  return all;
}

void ScriptedHost::Fail(const std::string& what) {
  failures_.push_back(what);
  if (on_failure_) on_failure_(what);
}

bool ScriptedHost::NextStep(const std::string& kind, Step* step, const std::string& shown_description) {
  if (steps_.empty()) {
    Fail("unexpected " + shown_description);
    return false;
  }
  if (steps_.front().kind != kind) {
    Fail("expected " + StepText(steps_.front()) + ", but was shown " + shown_description);
    return false;
  }
  *step = std::move(steps_.front());
  steps_.pop_front();
  return true;
}

int ScriptedHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
  std::string description = "msgbox [" + title + "] " + Visible(prompt);
  Step step;
  // Once a script has gone badly wrong, unexpected questions are answered so
  // as to end the operation: a question loop must never outlive the script.
  int answer = failures_.size() >= kRunawayFailures ? MsgBoxEscapeAnswer(style) : MsgBoxDefaultAnswer(style);
  if (NextStep("msgbox", &step, description)) {
    bool text_ok = step.contains ? prompt.find(step.text) != std::string::npos : prompt == step.text;
    if (step.title != title || !text_ok) {
      Fail("expected msgbox [" + step.title + "] " + Visible(step.text) + ", but was shown " + description);
    } else {
      answer = step.answer;
    }
  }
  shown_.push_back(ShownItem{"msgbox", title, prompt, style, answer});
  return answer;
}

bool ScriptedHost::InputBox(const std::string& prompt, const std::string& title, const std::string& default_text,
                            std::string* answer) {
  Step step;
  bool ok = false;
  *answer = default_text;
  if (NextStep("input", &step, "input [" + title + "] " + Visible(prompt))) {
    if (step.title != title) {
      Fail("expected input [" + step.title + "], but was shown input [" + title + "]");
    } else if (step.cancel) {
      answer->clear();
    } else {
      *answer = step.text;
      ok = true;
    }
  }
  shown_.push_back(ShownItem{"input", title, prompt, 0, ok ? 1 : 2});
  return ok;
}

bool ScriptedHost::FileDialog(const FileDialogRequest& request, std::string* chosen) {
  Step step;
  chosen->clear();
  last_file_request_ = request;
  if (NextStep("file", &step, "file dialog [" + request.title + "]")) *chosen = step.text;
  shown_.push_back(ShownItem{"file", request.title, *chosen, 0, chosen->empty() ? 2 : 1});
  return !chosen->empty();
}

bool ScriptedHost::BrowseForFolder(const std::string& title, const std::string&, std::string* chosen) {
  Step step;
  chosen->clear();
  if (NextStep("folder", &step, "folder browser [" + title + "]")) *chosen = step.text;
  shown_.push_back(ShownItem{"folder", title, *chosen, 0, chosen->empty() ? 2 : 1});
  return !chosen->empty();
}

bool ScriptedHost::ShowHelp(const std::string& help_file, int command, long context) {
  shown_.push_back(ShownItem{"help", help_file, std::to_string(command) + ":" + std::to_string(context), 0, 0});
  return true;
}

}  // namespace pds::ui
