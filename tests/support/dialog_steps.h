// The user's part in a modal dialog, as given to ScriptedHost::ExpectDialog,
// for the sequences the dialog tests play again and again, and the filling
// of expected message texts that name a path or name known only at run time.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "pds/Dialog.h"

namespace pds::test {

using DialogActions = std::function<void(Dialog&)>;

// Presses the buttons in order.
inline DialogActions Press(std::initializer_list<const char*> buttons) {
  std::vector<std::string> names(buttons.begin(), buttons.end());
  return [names](Dialog& d) {
    for (const std::string& name : names) d.ClickButton(name);
  };
}

// Types text into a field and presses OK.
inline DialogActions TypeAndOk(std::string field, std::string text) {
  return [field, text](Dialog& d) {
    d.TypeText(field, text);
    d.ClickButton("cmdOK");
  };
}

// Types text into a field and presses OK, which the dialog must refuse by
// staying open; then Cancel.
inline DialogActions RefusedThenCancel(std::string field, std::string text) {
  return [field, text](Dialog& d) {
    d.TypeText(field, text);
    d.ClickButton("cmdOK");
    EXPECT_TRUE(d.visible()) << d.FormName() << " accepted [" << text << "]";
    d.ClickButton("cmdCancel");
  };
}

// The text with every "{}" replaced by value.
inline std::string Fill(std::string text, const std::string& value) {
  for (std::size_t at = text.find("{}"); at != std::string::npos; at = text.find("{}", at + value.size())) {
    text.replace(at, 2, value);
  }
  return text;
}

}  // namespace pds::test
