// The manual pages of `pds`: one page per subcommand (`pds help install`),
// one per session command (`pds help session open`, or `help open` inside a
// session) and a few topics (`pds help answers`). All the text lives in
// help_pages.cpp, written in a small markup read once at first use; the
// one-line summaries that `pds --help` and the session's `help` list come
// from the same pages, so a listing and its page never disagree.
//
// Pages are keyed by name: "install" for a subcommand or topic, "session
// open" for a session command. Lookups never fail loudly: a missing page is
// a null pointer, and the caller says so.
#pragma once

#include <string>
#include <vector>

namespace pds::app {

// One entry of a section: a paragraph (term empty), a definition (term and
// text, as an option and what it does) or a verbatim line (an example).
struct HelpItem {
  enum class Kind { kParagraph, kDefinition, kVerbatim };
  Kind kind = Kind::kParagraph;
  std::string term;
  std::string text;
};

struct HelpSection {
  std::string title;  // "DESCRIPTION", "OPTIONS" ...
  std::vector<HelpItem> items;
};

struct HelpPage {
  std::string key;       // "install", "session open", "answers"
  bool topic = false;    // a topic, not a command ("== topic answers" in the markup)
  std::string summary;   // one line, without a final period
  std::vector<std::string> synopsis;
  std::vector<HelpSection> sections;

  // The named section, or null.
  const HelpSection* Section(const std::string& title) const;
};

// Every page, in the order they are written.
const std::vector<HelpPage>& HelpPages();
// The page of a key, or null.
const HelpPage* FindHelpPage(const std::string& key);
// The page of a session command ("open" finds "session open"), or null.
const HelpPage* FindSessionHelpPage(const std::string& command);
// The summary of a page, or empty when there is none.
std::string HelpSummary(const std::string& key);

// The page as a manual page: NAME, SYNOPSIS and the sections, indented and
// wrapped to `width` columns.
std::string RenderHelpPage(const HelpPage& page, std::size_t width = 80);

// text wrapped to width columns, the first line indented by first_indent
// blanks and the others by indent; each line ends with a newline.
std::string WrapText(const std::string& text, std::size_t first_indent, std::size_t indent, std::size_t width = 80);

// The exit codes every subcommand shares, as the lines of the EXIT STATUS
// section.
const std::vector<HelpItem>& ExitStatusItems();

// The candidate nearest to word by edit distance (ties: the earlier
// candidate); empty when there are no candidates.
std::string ClosestName(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace pds::app
