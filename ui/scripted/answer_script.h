// The text form of a scripted host's steps (answer scripts), as a session
// reads them from a file: one step per line.
//
//   # a comment; blank lines are ignored
//   msgbox "Title" "exact text" -> Yes     the next message box, answered Yes
//   msgbox "Title" ~"fragment" -> No       ... whose text contains fragment
//   input "Title" -> "answer"              the next input box, answered
//   input "Title" -> cancel                ... cancelled
//   dialog frmSelect                       the next modal dialog, by form name
//     type txtName "abc"                   actions on the innermost open dialog
//     click cmdOK
//     dblclick lvwProjects 2               (item under the pointer; 0 or none: empty space)
//     check lvwProjects 2                  (check lvwProjects 2 off, or uncheck ...)
//     select cboType 1                     (list views count from 1, lists from 0)
//     tab tabMain 2
//     column lvwProjects 1
//     key txtName 13
//     focus txtName
//     enter | escape | close
//     @frmSelect click cmdCancel           an action meant for the dialog named
//   folder "/path" | folder cancel         the folder browser's answer
//   file "/path" | file cancel             the file dialog's answer
//
// Answers are OK, Cancel, Abort, Retry, Ignore, Yes, No (any case) or a
// number; "-> answer" may be left out for OK. Texts are in double quotes with
// the escapes \r, \n, \t, \" and \\. Indentation is for the reader only: the
// verb tells an action from a step. Actions run while their dialog is open;
// a message box or dialog that an action causes takes the next steps, and the
// actions after those go on with the dialog that is open then.
#pragma once

#include <string>
#include <vector>

#include "ui/scripted/scripted_host.h"

namespace pds::ui {

// Parses a whole script. On failure returns false, leaves steps unchanged,
// and sets error to "line N: reason".
bool ParseAnswerScript(const std::string& text, std::vector<ScriptStep>* steps, std::string* error);

// One step in the text form (actions indented by two blanks; steps given
// with code actions show only their form name). Parsing the result gives
// the step back.
std::string FormatStep(const ScriptStep& step);
std::string FormatAnswerScript(const std::vector<ScriptStep>& steps);

// Plays one action step on a dialog; false when the dialog refused it (the
// reason is in the dialog's refusals) or the verb is unknown.
bool PerformScriptAction(Dialog& dialog, const ScriptStep& action);

}  // namespace pds::ui
