#include "pds/Text.h"

#include <cstddef>

namespace pds {

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

std::string UCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

std::string LCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return r;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (const char* escape = OneLineEscape(c)) {
      out += escape;
    } else {
      if (c == '"') out.push_back('\\');
      out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

const char* OneLineEscape(char c) {
  switch (c) {
    case '\r': return "\\r";
    case '\n': return "\\n";
    case '\t': return "\\t";
    case '\\': return "\\\\";
    default: return nullptr;
  }
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool AllChars(std::string_view text, int (*test)(int)) {
  if (text.empty()) return false;
  for (unsigned char c : text) {
    if (!test(c)) return false;
  }
  return true;
}

}  // namespace pds
