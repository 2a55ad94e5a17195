#include "ui/terminal/styled_text.h"

#include "pds/VisibleText.h"
#include "pds/Controls.h"

namespace pds::terminal {

namespace ansi {

std::string MoveTo(int row, int column) {
  return "\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H";
}

const char* Attribute(Style style) {
  switch (style) {
    case Style::kBold: return "\x1b[1m";
    case Style::kDim: return "\x1b[2m";
    case Style::kReverse: return "\x1b[7m";
    case Style::kDimReverse: return "\x1b[2;7m";
    case Style::kPlain: break;
  }
  return "";
}

}  // namespace ansi

StyledLine& StyledLine::Add(std::string text, Style style) {
  // Names and paths in a dialog come from users and files: a control
  // character among them is drawn as its escape, never sent to the terminal.
  // A tab (message texts align with one) becomes blanks, which keep every
  // character in one cell.
  std::string shown;
  for (char c : text) shown += c == '\t' ? std::string("  ") : std::string(1, c);
  if (!shown.empty()) pieces_.push_back(Piece{VisibleText(shown), style});
  return *this;
}

StyledLine& StyledLine::PadTo(int width) {
  const int have = Width();
  if (have < width) Add(std::string(static_cast<std::size_t>(width - have), ' '));
  return *this;
}

int StyledLine::Width() const {
  int width = 0;
  for (const Piece& p : pieces_) width += CharCount(p.text);
  return width;
}

std::string StyledLine::Plain() const {
  std::string out;
  for (const Piece& p : pieces_) out += p.text;
  return out;
}

std::string StyledLine::Render(int width) const {
  std::string out;
  int left = width;
  for (const Piece& p : pieces_) {
    if (left <= 0) break;
    const int n = CharCount(p.text);
    const std::string shown = n <= left ? p.text : CharPrefix(p.text, left);
    left -= n;
    if (p.style == Style::kPlain) {
      out += shown;
    } else {
      out += ansi::Attribute(p.style) + shown + ansi::kReset;
    }
  }
  return out;
}

std::string StripAnsi(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r') {
      ++i;
      continue;
    }
    if (c != '\x1b') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;
    const char kind = text[i + 1];
    i += 2;
    if (kind == '[') {
      while (i < text.size() && !(text[i] >= 0x40 && text[i] <= 0x7E)) ++i;
      ++i;  // the final byte
    } else if (kind == ']') {
      // OSC, ended by BEL or by ESC backslash.
      while (i < text.size() && text[i] != '\a' && !(text[i] == '\x1b' && i + 1 < text.size() && text[i + 1] == '\\')) {
        ++i;
      }
      i += (i < text.size() && text[i] == '\a') ? 1 : 2;
    }
  }
  return out;
}

std::vector<std::string> MessageLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      // CR LF is one line end; the line feeds after it add blank lines.
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  return lines;
}

std::vector<std::string> WrapLine(const std::string& line, int width) {
  if (width < 1) width = 1;
  std::vector<std::string> out;
  std::string rest = line;
  while (CharCount(rest) > width) {
    const std::string head = CharPrefix(rest, width + 1);
    std::size_t cut = head.rfind(' ');
    if (cut == std::string::npos || cut == 0) {
      // No blank to break at: the word is cut.
      const std::string part = CharPrefix(rest, width);
      out.push_back(part);
      rest.erase(0, part.size());
      continue;
    }
    out.push_back(rest.substr(0, cut));
    rest.erase(0, cut + 1);
  }
  out.push_back(rest);
  return out;
}

std::string FitText(const std::string& text, int width) {
  if (width <= 0) return {};
  const int n = CharCount(text);
  if (n >= width) return CharPrefix(text, width);
  return text + std::string(static_cast<std::size_t>(width - n), ' ');
}

}  // namespace pds::terminal
