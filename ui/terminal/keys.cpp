#include "ui/terminal/keys.h"

namespace pds::terminal {

namespace {

// The key a "CSI n ~" sequence stands for.
KeyCode TildeKey(int n) {
  switch (n) {
    case 1:
    case 7: return KeyCode::kHome;
    case 3: return KeyCode::kDelete;
    case 4:
    case 8: return KeyCode::kEnd;
    case 5: return KeyCode::kPageUp;
    case 6: return KeyCode::kPageDown;
    default: return KeyCode::kUnknown;
  }
}

KeyCode FinalKey(char final_byte) {
  switch (final_byte) {
    case 'A': return KeyCode::kUp;
    case 'B': return KeyCode::kDown;
    case 'C': return KeyCode::kRight;
    case 'D': return KeyCode::kLeft;
    case 'H': return KeyCode::kHome;
    case 'F': return KeyCode::kEnd;
    case 'Z': return KeyCode::kBackTab;
    default: return KeyCode::kUnknown;
  }
}

// The length of the UTF-8 character that starts with lead (1 for a stray byte).
std::size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

DecodeResult Done(Key* key, std::size_t* used, Key value, std::size_t n) {
  *key = std::move(value);
  *used = n;
  return DecodeResult::kKey;
}

// An escape sequence starting at bytes[0] == ESC.
DecodeResult DecodeEscape(const std::string& bytes, bool more_may_come, Key* key, std::size_t* used) {
  if (bytes.size() == 1) {
    if (more_may_come) return DecodeResult::kNeedMore;
    return Done(key, used, Key::Of(KeyCode::kEscape), 1);
  }
  const char intro = bytes[1];
  if (intro == 'O') {  // SS3: application-mode arrows, Home and End
    if (bytes.size() < 3) {
      if (more_may_come) return DecodeResult::kNeedMore;
      return Done(key, used, Key::Of(KeyCode::kEscape), 1);
    }
    return Done(key, used, Key::Of(FinalKey(bytes[2])), 3);
  }
  if (intro != '[') return Done(key, used, Key::Of(KeyCode::kEscape), 1);
  // CSI: parameter and intermediate bytes, then one final byte in @..~.
  std::size_t i = 2;
  int first_number = -1;  // "1;5C" (Ctrl-Right) counts as its key without the modifier
  bool in_first = true;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c >= 0x40 && c <= 0x7E) break;
    if (c == ';') {
      in_first = false;
    } else if (in_first && c >= '0' && c <= '9') {
      first_number = (first_number < 0 ? 0 : first_number * 10) + (c - '0');
    }
    ++i;
  }
  if (i >= bytes.size()) {
    if (more_may_come) return DecodeResult::kNeedMore;
    return Done(key, used, Key::Of(KeyCode::kUnknown), bytes.size());
  }
  const char final_byte = bytes[i];
  const KeyCode code = final_byte == '~' ? TildeKey(first_number) : FinalKey(final_byte);
  return Done(key, used, Key::Of(code), i + 1);
}

}  // namespace

DecodeResult DecodeKey(const std::string& bytes, bool more_may_come, Key* key, std::size_t* used) {
  if (bytes.empty()) return DecodeResult::kEmpty;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  switch (lead) {
    case 0x1B: return DecodeEscape(bytes, more_may_come, key, used);
    case '\r':
      // A terminal in raw mode sends CR; a pasted CR LF is one Enter.
      return Done(key, used, Key::Of(KeyCode::kEnter), bytes.size() > 1 && bytes[1] == '\n' ? 2 : 1);
    case '\n': return Done(key, used, Key::Of(KeyCode::kEnter), 1);
    case '\t': return Done(key, used, Key::Of(KeyCode::kTab), 1);
    case 0x7F:
    case 0x08: return Done(key, used, Key::Of(KeyCode::kBackspace), 1);
    default: break;
  }
  if (lead < 0x20) {
    if (lead >= 1 && lead <= 26) return Done(key, used, Key::Ctrl(static_cast<char>('A' + lead - 1)), 1);
    return Done(key, used, Key::Of(KeyCode::kUnknown), 1);
  }
  const std::size_t n = Utf8Length(lead);
  if (bytes.size() < n) {
    if (more_may_come) return DecodeResult::kNeedMore;
    return Done(key, used, Key::Of(KeyCode::kUnknown), bytes.size());
  }
  return Done(key, used, Key::Char(bytes.substr(0, n)), n);
}

bool TextKeySource::Next(Key* key, int /*timeout_ms*/) {
  while (!bytes_.empty()) {
    std::size_t used = 0;
    if (DecodeKey(bytes_, false, key, &used) != DecodeResult::kKey) return false;
    bytes_.erase(0, used);
    if (!key->Is(KeyCode::kUnknown)) return true;
  }
  return false;
}

}  // namespace pds::terminal
