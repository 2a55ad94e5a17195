// Lines of text with display attributes, as the terminal host draws them, and
// the text routines it shares: message text broken into lines, word wrapping,
// and the removal of terminal control sequences (what a reader of the raw
// output sees once the attributes are gone).
//
// Widths count characters (UTF-8 code points); every character is taken to
// fill one cell.
#pragma once

#include <string>
#include <vector>

namespace pds::terminal {

enum class Style { kPlain, kBold, kDim, kReverse, kDimReverse };

// Control sequences the host writes.
namespace ansi {
inline constexpr const char* kReset = "\x1b[0m";
inline constexpr const char* kClearScreen = "\x1b[H\x1b[2J";
inline constexpr const char* kClearToEnd = "\x1b[K";
inline constexpr const char* kEnterAltScreen = "\x1b[?1049h";
inline constexpr const char* kLeaveAltScreen = "\x1b[?1049l";
inline constexpr const char* kHideCursor = "\x1b[?25l";
inline constexpr const char* kShowCursor = "\x1b[?25h";
// Moves the cursor to row and column, both 1-based.
std::string MoveTo(int row, int column);
const char* Attribute(Style style);
}  // namespace ansi

class StyledLine {
 public:
  StyledLine() = default;
  explicit StyledLine(std::string text, Style style = Style::kPlain) { Add(std::move(text), style); }
  StyledLine& Add(std::string text, Style style = Style::kPlain);
  // Appends spaces up to width (nothing when already as wide).
  StyledLine& PadTo(int width);
  int Width() const;
  // The characters without attributes.
  std::string Plain() const;
  // The line with its attributes, cut to width characters.
  std::string Render(int width) const;

 private:
  struct Piece {
    std::string text;
    Style style;
  };
  std::vector<Piece> pieces_;
};

// The text without terminal control sequences (CSI, OSC and two-byte escapes)
// and without carriage returns.
std::string StripAnsi(const std::string& text);

// A message's lines: a carriage return followed by line feeds, a lone
// carriage return and a lone line feed each end a line, so that a CR + 2 LF
// pair leaves one blank line between paragraphs, as a message box shows it.
std::vector<std::string> MessageLines(const std::string& text);

// Breaks one line into lines of at most width characters, at blanks where it
// can and mid-word where a word is longer than width.
std::vector<std::string> WrapLine(const std::string& line, int width);

// text cut or padded to exactly width characters.
std::string FitText(const std::string& text, int width);

}  // namespace pds::terminal
