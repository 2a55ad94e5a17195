#include "engine/sql_tokens.h"
#include "pds/Text.h"

#include <cstdio>

namespace pds::db::sql {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) { return IsWordStart(c) || IsDigit(c); }

// Length of a delimited token opening at s[0] and closing at `close`. A doubled
// closing mark stands for one when `doubled_escapes`. Returns 0 when it never closes.
size_t DelimitedLength(std::string_view s, char close, bool doubled_escapes) {
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] != close) continue;
    if (doubled_escapes && i + 1 < s.size() && s[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return 0;
}

size_t NumberLength(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      i = j;
      while (i < s.size() && IsDigit(s[i])) ++i;
    }
  }
  return i;
}

size_t SymbolLength(std::string_view s) {
  if (s.size() >= 2) {
    const char a = s[0], b = s[1];
    if ((a == '<' && (b == '>' || b == '=')) || (a == '>' && b == '=') || (a == '!' && b == '=') ||
        (a == '|' && b == '|')) {
      return 2;
    }
  }
  return 1;
}

// A cursor over the text of a date literal.
class DateReader {
 public:
  explicit DateReader(std::string_view text) : s_(text) {}

  void SkipSpaces() {
    while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
  }
  bool AtEnd() const { return pos_ == s_.size(); }
  char Peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  // Reads between min and max digits; returns the count read (0 when fewer than min).
  int Digits(int min, int max, int& value) {
    int n = 0;
    value = 0;
    while (n < max && IsDigit(Peek())) {
      value = value * 10 + (s_[pos_] - '0');
      ++pos_;
      ++n;
    }
    return n >= min ? n : 0;
  }
  bool TakeWord(std::string_view upper) {
    if (s_.size() - pos_ < upper.size()) return false;
    for (size_t i = 0; i < upper.size(); ++i) {
      if (UpperChar(s_[pos_ + i]) != upper[i]) return false;
    }
    pos_ += upper.size();
    return true;
  }
  size_t pos() const { return pos_; }
  void Reset(size_t pos) { pos_ = pos; }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool ValidDate(int y, int m, int d) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  return d <= kDays[m - 1] + ((m == 2 && IsLeap(y)) ? 1 : 0);
}

// yyyy-mm-dd, yyyy/mm/dd, m/d/yyyy, m-d-yyyy, m/d/yy. May stop part way on failure.
bool ReadDate(DateReader& r, int& y, int& m, int& d) {
  int first = 0, second = 0, third = 0;
  const int first_digits = r.Digits(1, 4, first);
  const char sep = r.Peek();
  if (first_digits == 0 || first_digits == 3 || (sep != '-' && sep != '/')) return false;
  r.Take(sep);
  if (!r.Digits(1, 2, second) || !r.Take(sep)) return false;
  if (first_digits == 4) {
    if (!r.Digits(1, 2, third)) return false;
    y = first, m = second, d = third;
  } else {
    const int year_digits = r.Digits(2, 4, third);
    if (year_digits == 2) {
      third += third < 30 ? 2000 : 1900;
    } else if (year_digits != 4) {
      return false;
    }
    y = third, m = first, d = second;
  }
  return !IsDigit(r.Peek()) && ValidDate(y, m, d);
}

// h:mm[:ss] [AM|PM]
bool ReadTime(DateReader& r, int& h, int& mi, int& s) {
  if (!r.Digits(1, 2, h) || !r.Take(':') || r.Digits(2, 2, mi) != 2) return false;
  s = 0;
  if (r.Take(':') && r.Digits(2, 2, s) != 2) return false;
  if (IsDigit(r.Peek())) return false;
  r.SkipSpaces();
  const bool am = r.TakeWord("AM");
  const bool pm = !am && r.TakeWord("PM");
  if (am || pm) {
    if (h < 1 || h > 12) return false;
    h = (h % 12) + (pm ? 12 : 0);
  }
  return h <= 23 && mi <= 59 && s <= 59;
}

}  // namespace

void Tokenize(std::string_view s, std::vector<Token>& out) {
  out.clear();
  size_t i = 0;
  while (i < s.size()) {
    const std::string_view rest = s.substr(i);
    const char c = rest[0];
    TokenKind kind = TokenKind::kSymbol;
    size_t len = 0;
    if (IsSpace(c)) {
      kind = TokenKind::kSpace;
      while (len < rest.size() && IsSpace(rest[len])) ++len;
    } else if (IsWordStart(c)) {
      kind = TokenKind::kWord;
      while (len < rest.size() && IsWordChar(rest[len])) ++len;
    } else if (IsDigit(c) || (c == '.' && rest.size() > 1 && IsDigit(rest[1]))) {
      kind = TokenKind::kNumber;
      len = NumberLength(rest);
      // A name may start with digits (2ndPass); it is a word, not a number and a word.
      if (len < rest.size() && IsWordChar(rest[len]) && c != '.') {
        kind = TokenKind::kWord;
        while (len < rest.size() && IsWordChar(rest[len])) ++len;
      }
    } else if (c == '\'' || c == '"' || c == '[' || c == '#') {
      kind = c == '\'' ? TokenKind::kString
             : c == '"' ? TokenKind::kQuoted
             : c == '[' ? TokenKind::kBracket
                        : TokenKind::kDate;
      len = DelimitedLength(rest, c == '[' ? ']' : c, c == '\'' || c == '"');
      if (len == 0) {
        out.push_back({TokenKind::kUnterminated, rest});
        return;
      }
    } else {
      len = SymbolLength(rest);
    }
    out.push_back({kind, rest.substr(0, len)});
    i += len;
  }
}

bool IsWord(const Token& token, std::string_view upper) {
  if (token.kind != TokenKind::kWord || token.text.size() != upper.size()) return false;
  for (size_t i = 0; i < upper.size(); ++i) {
    if (UpperChar(token.text[i]) != upper[i]) return false;
  }
  return true;
}

bool IsSymbol(const Token& token, std::string_view symbol) {
  return token.kind == TokenKind::kSymbol && token.text == symbol;
}

bool IsName(const Token& token) {
  return token.kind == TokenKind::kWord || token.kind == TokenKind::kBracket || token.kind == TokenKind::kQuoted;
}

std::string NameOf(const Token& token) {
  if (token.kind != TokenKind::kBracket && token.kind != TokenKind::kQuoted) return std::string(token.text);
  const std::string_view inner = token.text.substr(1, token.text.size() - 2);
  if (token.kind == TokenKind::kBracket) return std::string(inner);
  std::string name;
  name.reserve(inner.size());
  for (size_t i = 0; i < inner.size(); ++i) {
    name += inner[i];
    if (inner[i] == '"') ++i;  // the second of a doubled pair
  }
  return name;
}

bool ParseDateLiteral(std::string_view text, std::string& out) {
  DateReader r(text);
  r.SkipSpaces();
  int y = 1899, m = 12, d = 30, h = 0, mi = 0, s = 0;
  const size_t start = r.pos();
  const bool has_date = ReadDate(r, y, m, d);
  if (!has_date) {
    r.Reset(start);
    y = 1899, m = 12, d = 30;
  } else {
    if (!r.AtEnd() && !IsSpace(r.Peek())) return false;
    r.SkipSpaces();
  }
  // Whatever follows the date (or stands alone) must be a time.
  if (!r.AtEnd() && !ReadTime(r, h, mi, s)) return false;
  if (!has_date && r.pos() == start) return false;
  r.SkipSpaces();
  if (!r.AtEnd()) return false;
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, h, mi, s);
  out = buffer;
  return true;
}

}  // namespace pds::db::sql
