// The SQL dialect translator: turns a statement written in the Jet dialect the
// component speaks into one SQLite prepares with the same meaning, and tells the
// engine what kind of statement it is and which tables it names.
//
// The translation runs over tokens, never over raw text: a quoted literal is one
// token and is copied unchanged (apart from its quoting style), so `'a*b'`,
// `'#1#'`, `'x!y'`, `'--'` and `'O''Hara'` survive as they are. The only literal
// whose content is rewritten is the pattern operand of `LIKE`.
//
// What changes, outside literals:
//   DELETE * FROM t / DELETE t.* FROM t    DELETE FROM t
//   #2024-03-01 14:05:09#, #2024-03-01#,   '2024-03-01 14:05:09', '2024-03-01 00:00:00'
//     #3/1/2024#, #3/1/2024 2:05 PM#       (dates are stored as that 19-character text;
//                                          a time alone gets the day 1899-12-30)
//   True / False                           -1 / 0 (booleans are stored as -1 and 0)
//   Yes / No right after = <> < > <= >=    -1 / 0; anywhere else they stay names,
//                                          since a bare Yes or No elsewhere is not
//                                          unambiguously a value
//   t!f                                    t.f
//   UPDATE t SET t!f = .., t.f = ..        UPDATE t SET f = .. (SQLite refuses
//                                          qualified SET targets)
//   "text", "say ""hi"""                   'text', 'say "hi"' (apostrophes doubled)
//   [a name]                               "a name"
//   a & b                                  a || b (note: a Null operand now gives
//                                          Null, where Jet treats it as empty text)
//   x Like 'A*B?'                          x LIKE 'A%B_' (a literal % or _ in the
//                                          pattern is escaped and ESCAPE '\' added;
//                                          Jet's # digit and [..] character lists
//                                          become _, a looser match)
//   SELECT TOP n ...                       SELECT ... LIMIT n (per sub-select)
//   a trailing ;                           dropped
//   5--3 (two minus operators)             5- -3, so SQLite does not read a comment
// Everything else, whitespace included (`IN  (SELECT ...)`), passes through.
//
// Not translated: `TOP n PERCENT` (refused), TOP in one arm of a UNION (its LIMIT
// applies to the whole compound), DELETE over a join, Jet's functions (`Nz`,
// `IIf`, `UCase` ...) and the integer division and `Mod` operators.
//
// Translations are remembered per thread, keyed by the exact statement text, in
// a cache of bounded size; a failed translation is not remembered.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pds::db {

// Translates one statement of the Jet dialect into SQLite's.
// Throws pds::RuntimeError(3075, description) on malformed text: an unterminated
// literal, bracket or date, a date that is not a valid date, or TOP without a
// whole number (or with PERCENT); RuntimeError(3142, ...) when text follows the
// statement's semicolon.
std::string TranslateSql(std::string_view statement);

// The same translation without consulting or filling the cache.
std::string TranslateSqlUncached(std::string_view statement);

// Forgets every cached translation of the calling thread.
void ClearTranslationCache();

struct StatementInfo {
  enum class Kind { kSelect, kInsert, kUpdate, kDelete, kCreate, kDrop, kAlter, kOther } kind = Kind::kOther;
  // Tables named after FROM (each entry of a FROM list), JOIN, UPDATE and INTO, and
  // after TABLE in CREATE / DROP / ALTER, in order of appearance, brackets or
  // quotes removed, repeated when named twice (a self-join names two tables).
  std::vector<std::string> tables;
};

// Reads a statement in either dialect (a double-quoted word where a table is
// expected is taken as a name). Never throws: on malformed text it reports what
// it found before the fault.
StatementInfo AnalyzeStatement(std::string_view statement);

}  // namespace pds::db
