// Readable names for the cases of parameterised tests, so that ctest and
// --gtest_filter show "Suite/Test/Case" rather than a number and the bytes of
// the parameter.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>
#include <utility>

namespace pds::test {

// The text as a case name: letters and digits kept, every run of anything
// else one underscore; "Empty" for nothing at all.
inline std::string CaseName(std::string_view text) {
  std::string name;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      name += c;
    } else if (name.empty() || name.back() != '_') {
      name += '_';
    }
  }
  return name.empty() ? std::string("Empty") : name;
}

// The text as a case name that keeps the punctuation of patterns and command
// lines apart: each sign spelled as a word, a blank as an underscore, any
// other byte as "X"; "Empty" for nothing at all.
inline std::string SpelledName(std::string_view text) {
  static const std::pair<char, const char*> kWords[] = {{'*', "Star"},  {'?', "Q"},      {'.', "Dot"},
                                                        {'/', "Slash"}, {'[', "Open"},   {']', "Close"},
                                                        {':', "Colon"}, {'=', "Equals"}, {'-', "Dash"},
                                                        {'~', "Tilde"}, {'\'', "Quote"}, {' ', "_"}};
  std::string name;
  for (const char c : text) {
    std::string word = std::isalnum(static_cast<unsigned char>(c)) ? std::string(1, c) : "X";
    for (const auto& [sign, spelled] : kWords) {
      if (c == sign) word = spelled;
    }
    name += word;
  }
  return name.empty() ? std::string("Empty") : name;
}

// Names a case after its `label` member.
struct ByLabel {
  template <class P>
  std::string operator()(const ::testing::TestParamInfo<P>& info) const {
    return CaseName(info.param.label);
  }
};

// Names a case after its `name` member.
struct ByName {
  template <class P>
  std::string operator()(const ::testing::TestParamInfo<P>& info) const {
    return CaseName(info.param.name);
  }
};

// Names a case after its parameter's text.
struct ByText {
  template <class P>
  std::string operator()(const ::testing::TestParamInfo<P>& info) const {
    return CaseName(std::string_view(info.param));
  }
};

}  // namespace pds::test
