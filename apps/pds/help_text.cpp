// Reading the page markup of help_pages.cpp and rendering pages.
//
// The markup, one directive per line:
//   == KEY                 starts a page ("install", "session open")
//   == topic KEY           starts the page of a topic ("answers")
//   summary: TEXT          the one-line summary (before the first section)
//   synopsis: TEXT         a synopsis line (repeatable)
//   # TITLE                starts a section
//   * TERM                 starts a definition; the lines after it are its text
//   @exit                  the shared exit codes, as definitions
//     two blanks first     a verbatim line (examples)
//   blank line             ends a paragraph or definition
//   anything else          paragraph text, joined with the lines around it
#include "apps/pds/help_text.h"

#include <algorithm>
#include <sstream>

#include "pds/Text.h"

namespace pds::app {

// The markup of every page (help_pages.cpp).
extern const char* const kHelpPagesMarkup;

namespace {

constexpr std::size_t kIndent = 7;
constexpr std::size_t kTermIndent = 14;

std::vector<HelpPage> Parse(const std::string& markup) {
  std::vector<HelpPage> pages;
  HelpItem* open = nullptr;  // the paragraph or definition still taking text
  std::istringstream in(markup);
  std::string line;
  auto section = [&]() -> HelpSection& {
    if (pages.back().sections.empty()) pages.back().sections.push_back({"DESCRIPTION", {}});
    return pages.back().sections.back();
  };
  while (std::getline(in, line)) {
    if (line.rfind("== ", 0) == 0) {
      open = nullptr;
      std::string key = line.substr(3);
      bool topic = key.rfind("topic ", 0) == 0;
      pages.push_back(HelpPage{topic ? key.substr(6) : key, topic, "", {}, {}});
    } else if (pages.empty()) {
      continue;
    } else if (line.rfind("summary: ", 0) == 0 && pages.back().sections.empty()) {
      pages.back().summary = line.substr(9);
    } else if (line.rfind("synopsis: ", 0) == 0 && pages.back().sections.empty()) {
      pages.back().synopsis.push_back(line.substr(10));
    } else if (line.rfind("# ", 0) == 0) {
      open = nullptr;
      pages.back().sections.push_back({line.substr(2), {}});
    } else if (line.empty()) {
      open = nullptr;
    } else if (line == "@exit") {
      open = nullptr;
      for (const HelpItem& item : ExitStatusItems()) section().items.push_back(item);
    } else if (line.rfind("* ", 0) == 0) {
      section().items.push_back({HelpItem::Kind::kDefinition, line.substr(2), ""});
      open = &section().items.back();
    } else if (line.rfind("  ", 0) == 0) {
      open = nullptr;
      section().items.push_back({HelpItem::Kind::kVerbatim, "", line.substr(2)});
    } else if (open) {
      open->text += (open->text.empty() ? "" : " ") + line;
    } else {
      section().items.push_back({HelpItem::Kind::kParagraph, "", line});
      open = &section().items.back();
    }
  }
  return pages;
}

// Greedy word wrap; runs of blanks inside the text are kept as written.
void Wrap(std::string& out, const std::string& text, std::size_t first_indent, std::size_t indent,
          std::size_t width) {
  const std::vector<std::string> words = Split(text, ' ');
  std::string current(first_indent, ' ');
  std::size_t column = first_indent;
  bool line_empty = true;
  for (const std::string& word : words) {
    if (!line_empty && column + 1 + word.size() > width) {
      out += current + "\n";
      current.assign(indent, ' ');
      column = indent;
      line_empty = true;
      if (word.empty()) continue;
    }
    if (!line_empty) {
      current += ' ';
      ++column;
    }
    current += word;
    column += word.size();
    line_empty = line_empty && word.empty();
  }
  out += current + "\n";
}

}  // namespace

const HelpSection* HelpPage::Section(const std::string& title) const {
  for (const HelpSection& s : sections) {
    if (s.title == title) return &s;
  }
  return nullptr;
}

const std::vector<HelpItem>& ExitStatusItems() {
  static const std::vector<HelpItem> items = {
      {HelpItem::Kind::kDefinition, "0", "success"},
      {HelpItem::Kind::kDefinition, "1",
       "an operation failed: a session command's result was not RETURN_OK, a demo step did not do what it "
       "should, the installation could not be built"},
      {HelpItem::Kind::kDefinition, "2",
       "usage error: an unknown command or option, a missing or extra argument (also of a session command), "
       "a control character in a name, a command line that is too long, a script or answer file that cannot "
       "be read or is a folder"},
      {HelpItem::Kind::kDefinition, "3",
       "a session run with --ui script:FILE met a message the answer file did not expect, or an expected "
       "one never came"},
  };
  return items;
}

const std::vector<HelpPage>& HelpPages() {
  static const std::vector<HelpPage> pages = Parse(kHelpPagesMarkup);
  return pages;
}

const HelpPage* FindHelpPage(const std::string& key) {
  for (const HelpPage& page : HelpPages()) {
    if (page.key == key) return &page;
  }
  return nullptr;
}

const HelpPage* FindSessionHelpPage(const std::string& command) { return FindHelpPage("session " + command); }

std::string HelpSummary(const std::string& key) {
  const HelpPage* page = FindHelpPage(key);
  return page ? page->summary : std::string();
}

std::string RenderHelpPage(const HelpPage& page, std::size_t width) {
  std::string out = "NAME\n";
  bool session_command = page.key.rfind("session ", 0) == 0;
  std::string name = session_command ? page.key.substr(8) : page.topic ? page.key : "pds " + page.key;
  Wrap(out, name + " - " + page.summary + (session_command ? " (a command of pds session)" : ""), kIndent, kIndent,
       width);
  if (!page.synopsis.empty()) {
    out += "\nSYNOPSIS\n";
    for (const std::string& line : page.synopsis) Wrap(out, line, kIndent, kTermIndent, width);
  }
  for (const HelpSection& section : page.sections) {
    out += "\n" + section.title + "\n";
    const HelpItem* previous = nullptr;
    for (const HelpItem& item : section.items) {
      bool run_of_lines = previous && previous->kind == item.kind && item.kind != HelpItem::Kind::kParagraph;
      if (previous && !run_of_lines) out += "\n";
      switch (item.kind) {
        case HelpItem::Kind::kParagraph:
          Wrap(out, item.text, kIndent, kIndent, width);
          break;
        case HelpItem::Kind::kVerbatim:
          out += std::string(kIndent, ' ') + item.text + "\n";
          break;
        case HelpItem::Kind::kDefinition:
          // A short term shares its line with the text, as a manual page sets "-a     text".
          if (kIndent + item.term.size() + 1 < kTermIndent) {
            std::string first = item.term + std::string(kTermIndent - kIndent - item.term.size(), ' ') + item.text;
            Wrap(out, first, kIndent, kTermIndent, width);
          } else {
            out += std::string(kIndent, ' ') + item.term + "\n";
            if (!item.text.empty()) Wrap(out, item.text, kTermIndent, kTermIndent, width);
          }
          break;
      }
      previous = &item;
    }
  }
  return out;
}

std::string WrapText(const std::string& text, std::size_t first_indent, std::size_t indent, std::size_t width) {
  std::string out;
  Wrap(out, text, first_indent, indent, width);
  return out;
}

std::string ClosestName(const std::string& word, const std::vector<std::string>& candidates) {
  std::string best;
  std::size_t best_distance = 0;
  for (const std::string& candidate : candidates) {
    // Levenshtein distance, one row at a time.
    std::vector<std::size_t> row(candidate.size() + 1);
    for (std::size_t j = 0; j <= candidate.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= word.size(); ++i) {
      std::size_t diagonal = row[0];
      row[0] = i;
      for (std::size_t j = 1; j <= candidate.size(); ++j) {
        std::size_t above = row[j];
        std::size_t substitution = diagonal + (word[i - 1] == candidate[j - 1] ? 0 : 1);
        row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
        diagonal = above;
      }
    }
    if (best.empty() || row.back() < best_distance) {
      best = candidate;
      best_distance = row.back();
    }
  }
  return best;
}

}  // namespace pds::app
