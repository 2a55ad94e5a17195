// Text printed by the hosts: every control character a name or path could
// carry is shown as an escape, valid UTF-8 passes unchanged and bytes that
// are not UTF-8 are shown by value.
#include <gtest/gtest.h>

#include <string>

#include "pds/VisibleText.h"

namespace pds {
namespace {

struct VisibleCase {
  const char* label;
  std::string text;
  bool keep_layout;
  std::string shown;
  std::string first_control;  // what FirstControlCharacter finds
};

class VisibleTextTest : public ::testing::TestWithParam<VisibleCase> {};

TEST_P(VisibleTextTest, EscapesEveryControlCharacter) {
  const VisibleCase& c = GetParam();
  EXPECT_EQ(VisibleText(c.text, c.keep_layout), c.shown);
  EXPECT_EQ(FirstControlCharacter(c.text), c.first_control);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VisibleTextTest,
    ::testing::Values(
        VisibleCase{"PlainAsciiAndUtf8Unchanged", "Pump \xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\xa7", false,
                    "Pump \xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\xa7", ""},
        VisibleCase{"NulInTheMiddle", std::string("Pl\0nt", 5), false, "Pl\\x00nt", "\\x00"},
        VisibleCase{"EscapeSequence", "Evil\x1b[2J", false, "Evil\\x1b[2J", "\\x1b"},
        VisibleCase{"LineBreaksOnOneLine", "a\r\nb\tc", false, "a\\r\\nb\\tc", "\\r"},
        VisibleCase{"LineBreaksKeptInMessages", "a\nb\tc\r", true, "a\nb\tc\\r", "\\n"},
        VisibleCase{"Delete", "x\x7f", false, "x\\x7f", "\\x7f"},
        // U+009B is a control sequence introducer to some terminals.
        VisibleCase{"C1Control", "x\xc2\x9b" "2J", false, "x\\u009b2J", "\\u009b"},
        // Not UTF-8: shown by value, but a file system takes such names.
        VisibleCase{"InvalidByte", "Pl\xff" "ant", false, "Pl\\xffant", ""},
        VisibleCase{"TruncatedSequence", "ab\xe2\x82", false, "ab\\xe2\\x82", ""},
        VisibleCase{"OverlongSlash", "\xc0\xaf", false, "\\xc0\\xaf", ""},
        VisibleCase{"Surrogate", "\xed\xa0\x80", false, "\\xed\\xa0\\x80", ""}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace pds
