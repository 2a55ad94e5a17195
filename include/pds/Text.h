// Text routines every layer shares. Text is UTF-8; "without regard to case"
// folds ASCII letters only, so "é" and "É" differ, everywhere in the component.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pds {

// Blanks-only trimming, as the language's Trim: tabs and other characters stay.
std::string Trim(const std::string& s);

// ASCII-only case folding; other letters are left as they are, so "é" and "É"
// differ. This is the meaning of "without regard to case" everywhere.
// Inline: field and table look-ups compare names in their innermost loops.
inline char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);

// The text in double quotes with line breaks, tabs, quotes and backslashes
// written as escapes, so a value shows on one readable line.
std::string Quoted(const std::string& text);
// The two-character escape (a backslash, then r, n, t or a backslash) of a
// carriage return, line feed, tab or backslash, the characters that would
// break a value kept on one line; null for any other character.
const char* OneLineEscape(char c);

// The parts between separators, empty ones included: "a,,b" gives three parts
// and "" one empty part, so every separator typed counts.
std::vector<std::string> Split(std::string_view text, char separator);
// True when text is not empty and every character passes test (std::isdigit,
// std::isxdigit ...).
bool AllChars(std::string_view text, int (*test)(int));

}  // namespace pds
