#include "apps/pds/export_json.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "pds/Text.h"
#include "pds/VisibleText.h"
#include "pds/clsExportTags.h"

namespace pds::app {

namespace {

// Deep enough for any export set (three levels), shallow enough that a
// hostile file cannot exhaust the stack.
constexpr int kMaxDepth = 64;

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  // Declared, not implicit: clang would otherwise check the implicit one
  // while the members that hold JsonValue are still incomplete.
  JsonValue() noexcept {}
  Kind kind = Kind::kNull;
  std::size_t offset = 0;  // where the value starts in the text
  std::string text;        // a string's value; a number or literal as written
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;
};

// A refusal: the problem, the byte offset it was found at, and for a
// well-formed document the JSON path of the value.
struct Refusal {
  std::string problem;
  std::size_t offset = 0;
  std::string path;
};

class Parser {
 public:
  explicit Parser(const std::string& text) : t_(text) {}

  JsonValue Document() {
    if (t_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;  // a byte-order mark says nothing
    JsonValue root = Value(0);
    SkipSpace();
    if (pos_ != t_.size()) Fail("unexpected text after the end of the document");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& problem) { throw Refusal{problem, pos_, {}}; }

  void SkipSpace() {
    while (pos_ < t_.size() && (t_[pos_] == ' ' || t_[pos_] == '\t' || t_[pos_] == '\n' || t_[pos_] == '\r')) ++pos_;
  }

  JsonValue Value(int depth) {
    SkipSpace();
    if (depth > kMaxDepth) Fail("values nested deeper than " + std::to_string(kMaxDepth) + " levels");
    JsonValue v;
    v.offset = pos_;
    const char c = pos_ < t_.size() ? t_[pos_] : '\0';
    if (c == '{') {
      v.kind = JsonValue::Kind::kObject;
      Object(v, depth);
    } else if (c == '[') {
      v.kind = JsonValue::Kind::kArray;
      Array(v, depth);
    } else if (c == '"') {
      v.kind = JsonValue::Kind::kString;
      v.text = String();
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      v.kind = JsonValue::Kind::kNumber;
      v.text = Number();
    } else if (Literal("true") || Literal("false")) {
      v.kind = JsonValue::Kind::kBool;
      v.text = t_.substr(v.offset, pos_ - v.offset);
    } else if (!Literal("null")) {
      Fail(pos_ == t_.size() ? "the document ends where a value is expected" : "expected a value");
    }
    return v;
  }

  bool Literal(std::string_view word) {
    if (t_.compare(pos_, word.size(), word) != 0) return false;
    pos_ += word.size();
    return true;
  }

  void Object(JsonValue& v, int depth) {
    ++pos_;
    SkipSpace();
    if (pos_ < t_.size() && t_[pos_] == '}') {
      ++pos_;
      return;
    }
    for (;;) {
      SkipSpace();
      if (pos_ >= t_.size() || t_[pos_] != '"') Fail("expected a member name in double quotes");
      const std::size_t name_at = pos_;
      std::string name = String();
      for (const auto& member : v.members) {
        if (member.first == name) {
          pos_ = name_at;
          Fail("the member \"" + name + "\" appears twice in this object");
        }
      }
      SkipSpace();
      if (pos_ >= t_.size() || t_[pos_] != ':') Fail("expected ':' after the member name");
      ++pos_;
      JsonValue member = Value(depth + 1);
      v.members.emplace_back(std::move(name), std::move(member));
      SkipSpace();
      if (pos_ < t_.size() && t_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < t_.size() && t_[pos_] == '}') {
        ++pos_;
        return;
      }
      Fail("expected ',' or '}' after an object member");
    }
  }

  void Array(JsonValue& v, int depth) {
    ++pos_;
    SkipSpace();
    if (pos_ < t_.size() && t_[pos_] == ']') {
      ++pos_;
      return;
    }
    for (;;) {
      v.items.push_back(Value(depth + 1));
      SkipSpace();
      if (pos_ < t_.size() && t_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < t_.size() && t_[pos_] == ']') {
        ++pos_;
        return;
      }
      Fail("expected ',' or ']' after an array element");
    }
  }

  unsigned Hex4() {
    unsigned value = 0;
    for (int i = 0; i < 4; ++i, ++pos_) {
      const char c = pos_ < t_.size() ? t_[pos_] : '\0';
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) Fail("expected four hexadecimal digits after \\u");
      value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
  }

  static void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  std::string String() {
    ++pos_;
    std::string out;
    for (;;) {
      if (pos_ >= t_.size()) Fail("the document ends inside a string");
      const unsigned char c = static_cast<unsigned char>(t_[pos_]);
      if (c == '"') {
        ++pos_;
        return out;
      }
      if (c < 0x20) Fail("a control character inside a string (write it as an escape such as \\n)");
      if (c >= 0x80) {
        const std::size_t n = Utf8SequenceLength(t_, pos_);
        if (n == 0) Fail("a byte that is not UTF-8");
        out.append(t_, pos_, n);
        pos_ += n;
        continue;
      }
      if (c != '\\') {
        out += static_cast<char>(c);
        ++pos_;
        continue;
      }
      const std::size_t escape_at = pos_++;
      const char e = pos_ < t_.size() ? t_[pos_++] : '\0';
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          char32_t code = Hex4();
          if (code >= 0xDC00 && code <= 0xDFFF) {
            pos_ = escape_at;
            Fail("a low surrogate \\u escape without its high surrogate");
          }
          if (code >= 0xD800 && code <= 0xDBFF) {
            if (!Literal("\\u")) Fail("a high surrogate \\u escape without its low surrogate");
            const char32_t low = Hex4();
            if (low < 0xDC00 || low > 0xDFFF) Fail("a high surrogate \\u escape without its low surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          pos_ = escape_at;
          Fail("an unknown escape in a string");
      }
    }
  }

  std::string Number() {
    const std::size_t start = pos_;
    auto digits = [&] {
      const std::size_t from = pos_;
      while (pos_ < t_.size() && t_[pos_] >= '0' && t_[pos_] <= '9') ++pos_;
      return pos_ - from;
    };
    if (t_[pos_] == '-') ++pos_;
    const std::size_t int_at = pos_;
    const std::size_t int_digits = digits();
    if (int_digits == 0) Fail("a malformed number: digits expected");
    if (int_digits > 1 && t_[int_at] == '0') {
      pos_ = int_at;
      Fail("a malformed number: no leading zeros");
    }
    if (pos_ < t_.size() && t_[pos_] == '.') {
      ++pos_;
      if (digits() == 0) Fail("a malformed number: digits expected after the decimal point");
    }
    if (pos_ < t_.size() && (t_[pos_] == 'e' || t_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < t_.size() && (t_[pos_] == '+' || t_[pos_] == '-')) ++pos_;
      if (digits() == 0) Fail("a malformed number: digits expected in the exponent");
    }
    return t_.substr(start, pos_ - start);
  }

  const std::string& t_;
  std::size_t pos_ = 0;
};

// ---- the export set's shape

const char* KindName(JsonValue::Kind kind) {
  switch (kind) {
    case JsonValue::Kind::kNull: return "null";
    case JsonValue::Kind::kBool: return "true or false";
    case JsonValue::Kind::kNumber: return "a number";
    case JsonValue::Kind::kString: return "text";
    case JsonValue::Kind::kArray: return "an array";
    case JsonValue::Kind::kObject: return "an object";
  }
  return "?";
}

[[noreturn]] void Refuse(const JsonValue& v, const std::string& path, const std::string& problem) {
  throw Refusal{problem, v.offset, path};
}

void Require(const JsonValue& v, JsonValue::Kind kind, const std::string& path) {
  if (v.kind != kind) Refuse(v, path, std::string("expected ") + KindName(kind) + ", found " + KindName(v.kind));
}

const std::string& Text(const JsonValue& v, const std::string& path) {
  Require(v, JsonValue::Kind::kString, path);
  return v.text;
}

std::int32_t Whole(const JsonValue& v, const std::string& path) {
  Require(v, JsonValue::Kind::kNumber, path);
  std::int64_t n = 0;
  const char* end = v.text.data() + v.text.size();
  const auto [ptr, ec] = std::from_chars(v.text.data(), end, n);
  if (ec != std::errc() || ptr != end || n < INT32_MIN || n > INT32_MAX) {
    Refuse(v, path, "expected a whole number from -2147483648 to 2147483647, found " + v.text);
  }
  return static_cast<std::int32_t>(n);
}

double Real(const JsonValue& v, const std::string& path) {
  Require(v, JsonValue::Kind::kNumber, path);
  double d = 0;
  const char* end = v.text.data() + v.text.size();
  const auto [ptr, ec] = std::from_chars(v.text.data(), end, d);
  if (ec != std::errc() || ptr != end || !std::isfinite(d)) Refuse(v, path, "the number " + v.text + " is out of range");
  return d;
}

// "yyyy-mm-dd hh:mm:ss", or "yyyy-mm-dd" for midnight, of a day that exists.
std::string Date(const JsonValue& v, const std::string& path) {
  std::string t = Text(v, path);
  if (t.size() == 10) t += " 00:00:00";
  int f[6] = {};
  bool ok = t.size() == 19 && t[4] == '-' && t[7] == '-' && t[10] == ' ' && t[13] == ':' && t[16] == ':';
  const int at[6][2] = {{0, 4}, {5, 2}, {8, 2}, {11, 2}, {14, 2}, {17, 2}};
  for (int i = 0; ok && i < 6; ++i) {
    for (int k = at[i][0]; k < at[i][0] + at[i][1]; ++k) {
      ok = ok && t[static_cast<std::size_t>(k)] >= '0' && t[static_cast<std::size_t>(k)] <= '9';
      f[i] = f[i] * 10 + (t[static_cast<std::size_t>(k)] - '0');
    }
  }
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (f[0] % 4 == 0 && f[0] % 100 != 0) || f[0] % 400 == 0;
  ok = ok && f[1] >= 1 && f[1] <= 12 && f[2] >= 1 && f[2] <= kDays[f[1] - 1] && !(f[1] == 2 && f[2] == 29 && !leap) &&
       f[3] <= 23 && f[4] <= 59 && f[5] <= 59;
  if (!ok) Refuse(v, path, "expected a date \"yyyy-mm-dd hh:mm:ss\" or \"yyyy-mm-dd\", found \"" + v.text + "\"");
  return t;
}

[[noreturn]] void Unknown(const JsonValue& v, const std::string& path, const char* fields) {
  Refuse(v, path, std::string("unknown field; the fields here are ") + fields);
}

void ReadItems(const JsonValue& array, const std::string& path, clsExportTag& tag) {
  Require(array, JsonValue::Kind::kArray, path);
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < array.items.size(); ++i) {
    const JsonValue& item = array.items[i];
    const std::string at = path + "[" + std::to_string(i) + "]";
    Require(item, JsonValue::Kind::kObject, at);
    std::string key, value;
    std::int32_t sequence = 0;
    const JsonValue* key_value = &item;
    for (const auto& [name, field] : item.members) {
      const std::string field_path = at + "." + name;
      if (name == "Key") {
        key = Text(field, field_path);
        key_value = &field;
      } else if (name == "Value") {
        value = Text(field, field_path);
      } else if (name == "SequenceNumber") {
        sequence = Whole(field, field_path);
      } else {
        Unknown(field, field_path, "Key, Value, SequenceNumber");
      }
    }
    // The shared table takes no item without a key; refused here, the
    // mistake stops the export before the earlier one is cleared.
    if (key.empty()) Refuse(*key_value, key_value == &item ? at : at + ".Key", "an item needs a Key that is not empty");
    if (!tag.AddTagData(key, value, sequence)) {
      std::size_t first = 0;
      while (first < keys.size() && !EqualsNoCase(keys[first], key)) ++first;
      Refuse(*key_value, at + ".Key",
             "the tag already has an item with the key \"" + key + "\" (" + path + "[" + std::to_string(first) +
                 "]); keys compare without regard to case");
    }
    keys.push_back(key);
  }
}

void ReadTag(const JsonValue& v, const std::string& path, const std::string& designation, clsExportTags& tags,
             std::vector<std::string>& names) {
  Require(v, JsonValue::Kind::kObject, path);
  std::string tag_name;
  const JsonValue* name_value = &v;
  for (const auto& [name, field] : v.members) {
    if (name == "TagName") {
      tag_name = Trim(Text(field, path + ".TagName"));
      name_value = &field;
    }
  }
  const ExportTagRef tag = tags.AddTag(tag_name, designation);
  if (!tag) {
    std::size_t first = 0;
    while (first < names.size() && !EqualsNoCase(names[first], tag_name)) ++first;
    Refuse(*name_value, path + ".TagName",
           "the export set already has a tag named \"" + tag_name + "\" (tags[" + std::to_string(first) +
               "]); names compare without regard to case");
  }
  names.push_back(tag_name);
  for (const auto& [name, field] : v.members) {
    const std::string at = path + "." + name;
    if (name == "TagName") continue;
    if (name == "StatusIndicator") {
      tag->SetStatusIndicator(Text(field, at));
    } else if (name == "LastModified") {
      tag->SetLastModified(Text(field, at));
    } else if (name == "LastModifiedDate") {
      tag->SetLastModifiedDate(Date(field, at));
    } else if (name == "TableName") {
      tag->SetTableName(Text(field, at));
    } else if (name == "AppName") {
      tag->SetAppName(Text(field, at));
    } else if (name == "AppVersion") {
      tag->SetAppVersion(Text(field, at));
    } else if (name == "LocalTagID") {
      tag->SetLocalTagID(Whole(field, at));
    } else if (name == "EquipmentType") {
      tag->SetEquipmentType(Whole(field, at));
    } else if (name == "StreamVersion") {
      tag->SetStreamVersion(Real(field, at));
    } else if (name == "items") {
      ReadItems(field, at, *tag);
    } else {
      Unknown(field, at,
              "TagName, StatusIndicator, LastModified, LastModifiedDate, TableName, LocalTagID, EquipmentType, "
              "StreamVersion, AppName, AppVersion, items");
    }
  }
}

// "line L, column C" of a byte offset; columns count characters.
std::string Place(const std::string& text, std::size_t offset) {
  long line = 1;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  }
  long column = 1;
  for (std::size_t i = line_start; i < offset && i < text.size(); ++column) {
    const std::size_t n = Utf8SequenceLength(text, i);
    i += n == 0 ? 1 : n;
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

bool ReadExportSet(const std::string& text, const std::string& designation, clsExportTags& tags, std::string* error) {
  try {
    const JsonValue root = Parser(text).Document();
    Require(root, JsonValue::Kind::kObject, "the document");
    std::vector<std::string> names;
    for (const auto& [name, field] : root.members) {
      if (name != "tags") Unknown(field, name, "tags");
      Require(field, JsonValue::Kind::kArray, "tags");
      for (std::size_t i = 0; i < field.items.size(); ++i) {
        ReadTag(field.items[i], "tags[" + std::to_string(i) + "]", designation, tags, names);
      }
    }
    return true;
  } catch (const Refusal& refusal) {
    tags.Clear();
    if (error) {
      *error = (refusal.path.empty() ? "" : refusal.path + " (") + Place(text, refusal.offset) +
               (refusal.path.empty() ? ": " : "): ") + VisibleText(refusal.problem);
    }
    return false;
  }
}

}  // namespace pds::app
