#include "pds/VisibleText.h"

#include <cstdio>

namespace pds {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

std::string Hex(const char* format, unsigned value) {
  char buf[12];
  std::snprintf(buf, sizeof buf, format, value);
  return buf;
}

// The visible form of the character (or invalid byte) at text[pos], and its
// length in bytes; an empty form means the character prints as itself.
std::string EscapeAt(const std::string& text, std::size_t pos, std::size_t* length) {
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  const std::size_t n = Utf8SequenceLength(text, pos);
  *length = n == 0 ? 1 : n;
  if (n == 0) return Hex("\\x%02x", c);
  const char32_t code = Utf8CodePoint(text, pos, n);
  if (!IsControlCodePoint(code)) return {};
  switch (code) {
    case U'\t': return "\\t";
    case U'\r': return "\\r";
    case U'\n': return "\\n";
    default: break;
  }
  return code < 0x80 ? Hex("\\x%02x", static_cast<unsigned>(code)) : Hex("\\u%04x", static_cast<unsigned>(code));
}

}  // namespace

std::size_t Utf8SequenceLength(const std::string& text, std::size_t pos) {
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  std::size_t n;
  char32_t min;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (pos + n > text.size()) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[pos + i]))) return 0;
  }
  const char32_t code = Utf8CodePoint(text, pos, n);
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return n;
}

char32_t Utf8CodePoint(const std::string& text, std::size_t pos, std::size_t n) {
  static const unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t code = static_cast<unsigned char>(text[pos]) & kLeadMask[n];
  for (std::size_t i = 1; i < n; ++i) code = (code << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  return code;
}

bool IsControlCodePoint(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

std::string VisibleText(const std::string& text, bool keep_layout) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t length = 1;
    std::string escaped = (keep_layout && (text[pos] == '\n' || text[pos] == '\t')) ? std::string() : EscapeAt(text, pos, &length);
    if (escaped.empty()) {
      out.append(text, pos, length);
    } else {
      out += escaped;
    }
    pos += length;
  }
  return out;
}

std::string FirstControlCharacter(const std::string& text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t length = 1;
    std::string escaped = EscapeAt(text, pos, &length);
    // Bytes that are not UTF-8 are left to the file system, which takes them.
    if (!escaped.empty() && Utf8SequenceLength(text, pos) != 0) return escaped;
    pos += length;
  }
  return {};
}

}  // namespace pds
