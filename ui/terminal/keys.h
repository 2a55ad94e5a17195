// Keys as the terminal host understands them, and where they come from.
//
// A terminal delivers bytes: printable UTF-8 characters, control bytes
// (Ctrl-A is 1, Tab 9, Enter 13, Backspace 127) and escape sequences for the
// arrows and the editing keys ("\x1b[A" is Up, "\x1b[Z" Shift-Tab). DecodeKey
// turns the front of a byte buffer into one Key; a KeySource hands out keys
// one at a time, from the terminal (tty.h) or from a fixed text (tests).
//
// A lone Escape byte and the start of a sequence look alike; a source that can
// wait tells the decoder whether more bytes may still come, and treats an
// Escape followed by silence as the Escape key.
#pragma once

#include <cstddef>
#include <string>

namespace pds::terminal {

enum class KeyCode {
  kChar,       // a printable character, in text
  kEnter,
  kEscape,
  kTab,
  kBackTab,    // Shift-Tab
  kBackspace,
  kDelete,
  kUp,
  kDown,
  kLeft,
  kRight,
  kHome,
  kEnd,
  kPageUp,
  kPageDown,
  kCtrl,       // Ctrl + a letter, in ctrl ('A' .. 'Z')
  kUnknown,    // a sequence this host does not use; ignored
};

struct Key {
  KeyCode code = KeyCode::kUnknown;
  std::string text;  // kChar: the character's UTF-8 bytes
  char ctrl = 0;     // kCtrl: the letter, upper case

  static Key Char(std::string text) { return Key{KeyCode::kChar, std::move(text), 0}; }
  static Key Ctrl(char letter) { return Key{KeyCode::kCtrl, {}, letter}; }
  static Key Of(KeyCode code) { return Key{code, {}, 0}; }
  bool Is(KeyCode c) const { return code == c; }
  bool IsCtrl(char letter) const { return code == KeyCode::kCtrl && ctrl == letter; }
  bool IsChar(char c) const { return code == KeyCode::kChar && text.size() == 1 && text[0] == c; }
};

enum class DecodeResult { kKey, kNeedMore, kEmpty };

// Decodes the key at the front of bytes and says how many bytes it used.
// kNeedMore when the bytes may be the start of a longer sequence and
// more_may_come is true; with more_may_come false an incomplete sequence is
// decided as well as it can be (a lone Escape is the Escape key).
DecodeResult DecodeKey(const std::string& bytes, bool more_may_come, Key* key, std::size_t* used);

// Where the host's keys come from. Next waits at most timeout_ms (negative:
// as long as it takes) and returns false when no key came in that time or
// the input has ended; AtEnd tells the two apart.
class KeySource {
 public:
  virtual ~KeySource() = default;
  virtual bool Next(Key* key, int timeout_ms = -1) = 0;
  virtual bool AtEnd() const = 0;
  // The terminal's size changed since the last call (the host redraws).
  virtual bool TakeResized() { return false; }
  // Brackets the time someone waits for keys; a terminal reads them in raw
  // mode only then, so that the program's own output and a Ctrl-C between
  // questions behave as usual. Calls nest.
  virtual void BeginReading() {}
  virtual void EndReading() {}
};

class ReadingScope {
 public:
  explicit ReadingScope(KeySource& keys) : keys_(keys) { keys_.BeginReading(); }
  ~ReadingScope() { keys_.EndReading(); }
  ReadingScope(const ReadingScope&) = delete;
  ReadingScope& operator=(const ReadingScope&) = delete;

 private:
  KeySource& keys_;
};

// Keys decoded from a fixed text, then the end of input: what a test types.
class TextKeySource : public KeySource {
 public:
  explicit TextKeySource(std::string bytes = {}) : bytes_(std::move(bytes)) {}
  void Type(const std::string& bytes) { bytes_ += bytes; }
  bool Next(Key* key, int timeout_ms = -1) override;
  bool AtEnd() const override { return bytes_.empty(); }

 private:
  std::string bytes_;
};

}  // namespace pds::terminal
