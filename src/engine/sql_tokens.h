// Tokens of a Jet-dialect statement, for the dialect translator.
//
// The tokens cover the statement without gaps, whitespace included, so that a
// translation that rewrites some tokens reproduces every other byte as written.
// A quoted literal, a bracketed name or a date literal is always one token, which
// is what keeps the translator from ever rewriting text inside one.
// Token texts are views into the statement: the statement must outlive them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pds::db::sql {

enum class TokenKind {
  kSpace,         // blanks, tabs, line breaks
  kWord,          // a name or keyword: letters, digits, _ and any non-ASCII byte
  kNumber,        // 12, 1.5, .5, 1E-3
  kString,        // 'text' with '' standing for one apostrophe
  kQuoted,        // "text" with "" standing for one double quote
  kBracket,       // [a name]
  kDate,          // #...#
  kSymbol,        // an operator or punctuation: <> <= >= != || or one character
  kUnterminated,  // a literal, bracket or date that never closes: the rest of the text
};

struct Token {
  TokenKind kind;
  std::string_view text;  // the token as written, delimiters included
};

// Appends the tokens of `statement` to `out` (cleared first). An unterminated
// literal becomes one kUnterminated token, which is always the last.
void Tokenize(std::string_view statement, std::vector<Token>& out);

// ASCII comparison without regard to case; `upper` must be upper case.
bool IsWord(const Token& token, std::string_view upper);
bool IsSymbol(const Token& token, std::string_view symbol);

// A token that can name a table or a field: a word, a bracketed name or (in
// SQLite's dialect) a double-quoted name.
bool IsName(const Token& token);

// The name a word, bracket or double-quoted token stands for: delimiters
// removed, a doubled double quote read as one.
std::string NameOf(const Token& token);

// Reads the text between the # marks of a date literal: yyyy-mm-dd or yyyy/mm/dd,
// m/d/yyyy, m-d-yyyy or m/d/yy (00-29 is 2000-2029, 30-99 is 1930-1999),
// optionally followed by h:mm[:ss] with an optional AM or PM; or the time alone,
// which falls on 1899-12-30, the day Jet counts dates from. On success writes
// "yyyy-mm-dd hh:mm:ss" to `out` and returns true; returns false for anything
// else, including dates that do not exist (February 30).
bool ParseDateLiteral(std::string_view text, std::string& out);

}  // namespace pds::db::sql
