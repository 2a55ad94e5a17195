#include "ui/scripted/answer_script.h"

#include <cctype>
#include <set>

#include "pds/Text.h"
#include "pds/Dialog.h"

namespace pds::ui {

namespace {

struct Token {
  std::string text;
  bool quoted = false;
  bool fragment = false;  // written ~"..."
};

const std::set<std::string>& ActionVerbs() {
  static const std::set<std::string> verbs = {"type",   "click", "dblclick", "check", "uncheck", "select", "tab",
                                              "column", "key",   "focus",    "enter", "escape",  "close"};
  return verbs;
}

const struct {
  const char* name;
  int value;
} kAnswers[] = {{"OK", vbOK},         {"Cancel", vbCancel}, {"Abort", vbAbort}, {"Retry", vbRetry},
                {"Ignore", vbIgnore}, {"Yes", vbYes},       {"No", vbNo}};

// Blanks between words. A carriage return counts as one, so a script saved
// with CR LF line ends (or a stray CR) reads as the same words, and a word
// never ends in a CR that writing the script out would lose.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool Tokenize(const std::string& line, std::vector<Token>* tokens, std::string* error) {
  std::size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    Token t;
    if (c == '~' && i + 1 < line.size() && line[i + 1] == '"') {
      t.fragment = true;
      c = line[++i];
    }
    if (c == '"') {
      t.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d != '\\') {
          t.text.push_back(d);
          continue;
        }
        if (i >= line.size()) break;
        char e = line[i++];
        switch (e) {
          case 'r': t.text.push_back('\r'); break;
          case 'n': t.text.push_back('\n'); break;
          case 't': t.text.push_back('\t'); break;
          case '"': t.text.push_back('"'); break;
          case '\\': t.text.push_back('\\'); break;
          default:
            *error = std::string("unknown escape \\") + e;
            return false;
        }
      }
      if (!closed) {
        *error = "text not closed by a double quote";
        return false;
      }
    } else {
      while (i < line.size() && !IsBlank(line[i])) t.text.push_back(line[i++]);
    }
    tokens->push_back(std::move(t));
  }
  return true;
}

bool ParseNumber(const Token& t, int* value) {
  if (t.quoted || t.text.empty()) return false;
  std::size_t start = t.text[0] == '-' ? 1 : 0;
  if (start == t.text.size()) return false;
  for (std::size_t i = start; i < t.text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(t.text[i]))) return false;
  }
  if (t.text.size() > 9) return false;
  *value = std::stoi(t.text);
  return true;
}

bool ParseAnswer(const Token& t, int* answer) {
  for (const auto& a : kAnswers) {
    if (!t.quoted && EqualsNoCase(t.text, a.name)) {
      *answer = a.value;
      return true;
    }
  }
  return ParseNumber(t, answer);
}

std::string AnswerName(int answer) {
  for (const auto& a : kAnswers) {
    if (a.value == answer) return a.name;
  }
  return std::to_string(answer);
}


// Parses the tokens of an action line after an optional "@form".
bool ParseAction(const std::vector<Token>& t, std::size_t at, ScriptStep* step, std::string* error) {
  step->kind = "action";
  std::string verb = LCase(t[at].text);
  std::size_t args = t.size() - at - 1;
  auto control = [&]() -> bool {
    if (args < 1 || t[at + 1].quoted) {
      *error = verb + ": a control name is needed";
      return false;
    }
    step->control = t[at + 1].text;
    return true;
  };
  auto number = [&](std::size_t k, int* out) -> bool {
    if (args < k || !ParseNumber(t[at + k], out)) {
      *error = verb + ": a number is needed";
      return false;
    }
    return true;
  };
  std::size_t expected = 0;
  step->verb = verb;
  if (verb == "enter" || verb == "escape" || verb == "close") {
    expected = 0;
  } else if (verb == "click" || verb == "focus") {
    if (!control()) return false;
    expected = 1;
  } else if (verb == "type") {
    if (!control()) return false;
    if (args < 2 || !t[at + 2].quoted) {
      *error = "type: the text is needed in double quotes";
      return false;
    }
    step->argument = t[at + 2].text;
    expected = 2;
  } else if (verb == "dblclick") {
    if (!control()) return false;
    expected = 1;
    if (args >= 2) {
      if (!number(2, &step->index)) return false;
      expected = 2;
    }
  } else if (verb == "check" || verb == "uncheck") {
    if (!control() || !number(2, &step->index)) return false;
    step->verb = "check";
    step->checked = verb == "check";
    expected = 2;
    if (verb == "check" && args >= 3) {
      std::string state = LCase(t[at + 3].text);
      if (t[at + 3].quoted || (state != "on" && state != "off")) {
        *error = "check: on or off expected";
        return false;
      }
      step->checked = state == "on";
      expected = 3;
    }
  } else {  // select, tab, column, key
    if (!control() || !number(2, &step->index)) return false;
    expected = 2;
  }
  if (args != expected) {
    *error = verb + ": unexpected text after the action";
    return false;
  }
  return true;
}

bool ParseLine(const std::vector<Token>& t, ScriptStep* step, std::string* error) {
  std::size_t at = 0;
  if (!t[0].quoted && t[0].text.size() > 1 && t[0].text[0] == '@') {
    step->form = t[0].text.substr(1);
    at = 1;
    if (t.size() < 2 || t[1].quoted || !ActionVerbs().count(LCase(t[1].text))) {
      *error = "an action is expected after " + t[0].text;
      return false;
    }
  }
  std::string word = t[at].quoted ? std::string() : LCase(t[at].text);
  if (ActionVerbs().count(word)) return ParseAction(t, at, step, error);

  step->kind = word;
  if (word == "msgbox") {
    // msgbox "Title" "text" [-> answer]
    if (t.size() < 3 || !t[1].quoted || !t[2].quoted || t[1].fragment) {
      *error = "msgbox: a title and a text in double quotes are needed";
      return false;
    }
    step->title = t[1].text;
    step->text = t[2].text;
    step->contains = t[2].fragment;
    step->answer = vbOK;
    if (t.size() == 3) return true;
    if (t.size() == 5 && t[3].text == "->" && ParseAnswer(t[4], &step->answer)) return true;
    *error = "msgbox: \"-> answer\" expected after the text";
    return false;
  }
  if (word == "input") {
    // input "Title" -> "answer" | cancel
    if (t.size() != 4 || !t[1].quoted || t[2].text != "->") {
      *error = "input: \"Title\" -> \"answer\" or cancel expected";
      return false;
    }
    step->title = t[1].text;
    if (t[3].quoted) {
      step->text = t[3].text;
    } else if (EqualsNoCase(t[3].text, "cancel")) {
      step->cancel = true;
    } else {
      *error = "input: the answer must be in double quotes, or cancel";
      return false;
    }
    return true;
  }
  if (word == "dialog") {
    // A form's name is a word, as it is written out again.
    if (t.size() != 2 || t[1].quoted) {
      *error = "dialog: one form name expected";
      return false;
    }
    step->title = t[1].text;
    return true;
  }
  if (word == "folder" || word == "file") {
    if (t.size() != 2 || (!t[1].quoted && !EqualsNoCase(t[1].text, "cancel"))) {
      *error = word + ": a path in double quotes, or cancel, expected";
      return false;
    }
    if (t[1].quoted) step->text = t[1].text;
    return true;
  }
  *error = "unknown step " + (t[at].quoted ? Quoted(t[at].text) : t[at].text);
  return false;
}

}  // namespace

bool ParseAnswerScript(const std::string& text, std::vector<ScriptStep>* steps, std::string* error) {
  std::vector<ScriptStep> parsed;
  std::size_t begin = 0;
  int line_number = 0;
  while (begin <= text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(begin, end - begin);
    begin = end + 1;
    ++line_number;
    std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    std::vector<Token> tokens;
    std::string reason;
    ScriptStep step;
    if (!Tokenize(line, &tokens, &reason) || !ParseLine(tokens, &step, &reason)) {
      *error = "line " + std::to_string(line_number) + ": " + reason;
      return false;
    }
    parsed.push_back(std::move(step));
  }
  steps->insert(steps->end(), std::make_move_iterator(parsed.begin()), std::make_move_iterator(parsed.end()));
  return true;
}

std::string FormatStep(const ScriptStep& s) {
  if (s.kind == "msgbox") {
    return "msgbox " + Quoted(s.title) + " " + (s.contains ? "~" : "") + Quoted(s.text) + " -> " + AnswerName(s.answer);
  }
  if (s.kind == "input") return "input " + Quoted(s.title) + " -> " + (s.cancel ? "cancel" : Quoted(s.text));
  if (s.kind == "dialog") return "dialog " + s.title;
  if (s.kind == "folder" || s.kind == "file") return s.kind + " " + (s.text.empty() ? "cancel" : Quoted(s.text));
  if (s.kind != "action") return "# unknown step " + s.kind;
  std::string line = "  ";
  if (!s.form.empty()) line += "@" + s.form + " ";
  line += s.verb;
  if (s.verb == "enter" || s.verb == "escape" || s.verb == "close") return line;
  line += " " + s.control;
  if (s.verb == "type") return line + " " + Quoted(s.argument);
  if (s.verb == "click" || s.verb == "focus") return line;
  if (s.verb == "dblclick") return s.index == 0 ? line : line + " " + std::to_string(s.index);
  line += " " + std::to_string(s.index);
  if (s.verb == "check" && !s.checked) line += " off";
  return line;
}

std::string FormatAnswerScript(const std::vector<ScriptStep>& steps) {
  std::string out;
  for (const ScriptStep& s : steps) out += FormatStep(s) + "\n";
  return out;
}

bool PerformScriptAction(Dialog& d, const ScriptStep& a) {
  const std::string& v = a.verb;
  if (v == "type") return d.TypeText(a.control, a.argument);
  if (v == "click") return d.ClickButton(a.control);
  if (v == "dblclick") return d.DoubleClick(a.control, a.index);
  if (v == "check") return d.Check(a.control, a.index, a.checked);
  if (v == "select") return d.SelectItem(a.control, a.index);
  if (v == "tab") return d.SelectTab(a.control, a.index);
  if (v == "column") return d.ClickColumn(a.control, a.index);
  if (v == "key") return d.PressKey(a.control, a.index);
  if (v == "focus") return d.Focus(a.control);
  if (v == "enter") return d.PressEnter();
  if (v == "escape") return d.PressEscape();
  if (v == "close") return d.CloseByUser();
  return false;
}

}  // namespace pds::ui
