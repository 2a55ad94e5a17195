// The user's part in a modal dialog, as given to ScriptedHost::ExpectDialog,
// for the sequences the dialog tests play again and again.
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

}  // namespace pds::test
