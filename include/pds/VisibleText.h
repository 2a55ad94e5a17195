// Text made safe to print: names and paths come from users, databases and
// script files, and a control character among them (an escape sequence, a
// carriage return, a NUL) would act on the terminal that shows them, or cut
// a line of output in two. Every host prints such text through these
// routines, which show each control character as a visible escape instead.
#pragma once

#include <cstddef>
#include <string>

namespace pds {

// The length of the UTF-8 sequence starting at text[pos] (1 to 4), or 0 when
// the bytes there are not a valid, shortest-form encoding of a code point.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t pos);

// The code point of a valid sequence of length n at text[pos].
char32_t Utf8CodePoint(const std::string& text, std::size_t pos, std::size_t n);

// True for the characters a terminal may act on: C0 controls, DEL and the C1
// controls U+0080 to U+009F.
bool IsControlCodePoint(char32_t c);

// text with each control character written as an escape: \t, \r and \n for
// those three, \xNN for the other C0 controls and DEL, \uNNNN for the C1
// controls, and \xNN for each byte that is not valid UTF-8. With keep_layout
// line feeds and tabs stay as they are, for messages of several lines; they
// move the cursor but change nothing else on a terminal.
std::string VisibleText(const std::string& text, bool keep_layout = false);

// The first control character of text as VisibleText shows it, or empty when
// there is none. Bytes that are not UTF-8 are not control characters here.
std::string FirstControlCharacter(const std::string& text);

}  // namespace pds
