// Readable names for the cases of parameterised tests, so that ctest and
// --gtest_filter show "Suite/Test/Case" rather than a number and the bytes of
// the parameter.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

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

// Names a case after its `label` member.
struct ByLabel {
  template <class P>
  std::string operator()(const ::testing::TestParamInfo<P>& info) const {
    return CaseName(info.param.label);
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
