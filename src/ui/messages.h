// The shared message routines every procedure uses to talk to the user: the
// common error reporter, the system's text of an error code, and the pieces
// messages are composed from (line breaks, brackets, quotes, the support
// sentence).
//
// None of these ever throws; a failing message box is ignored.
#pragma once

#include "pds/Text.h"

#include <string>

namespace pds {

// Shows message, a blank line and the pending error's text in one message box
// with the given style and title ("Error Message" when empty), then clears the
// pending error. With an empty message and nothing pending it shows nothing
// and leaves the error state as it was.
void ShowError(const std::string& message, int style, const std::string& title);

// The title a message box gets when its caller names none: the component's
// title, "Project Data Server", until the application's name is known.
std::string DefaultMsgBoxTitle();
void SetDefaultMsgBoxTitle(const std::string& title);

// "Error " & code & "  -  " & the system's text (with its own line end); empty
// for 0 or an unknown code.
std::string GetSystemErrorText(long code);

// A carriage return followed by n line feeds (a lone carriage return for n <= 0).
std::string LineBreaks(int n);

// "Please contact Norrick for assistance."
std::string ContactSupportText();

std::string InBrackets(const std::string& s);
std::string InParens(const std::string& s);
// Trims blanks and adds the quote at either end unless it is already there.
std::string InSingleQuotes(const std::string& s);
std::string InDoubleQuotes(const std::string& s);


}  // namespace pds
