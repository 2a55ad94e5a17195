// `pds help --man FOLDER`: the manual pages in the man(7) format, written
// from the same pages `pds help` prints, so an installed manual never says
// something the command's own help does not. One file per command of pds
// (pds-install.1 ...) and per topic (pds-answers.1), the session commands as
// a section of pds-session.1, and pds.1 with the list of commands.
#include <string>
#include <vector>

#include "apps/pds/commands.h"
#include "apps/pds/help_text.h"
#include "pds/HostEnv.h"
#include "pds/Version.h"

namespace pds::app {

namespace {

// Text as roff reads it: backslashes and hyphens escaped (a hyphen stays a
// hyphen when an option is copied from the page), a line that would start
// with a control character guarded.
std::string Roff(const std::string& text) {
  std::string out;
  std::size_t word = 0;  // characters since the last blank
  for (char c : text) {
    word = c == ' ' ? 0 : word + 1;
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    // A long word (a JSON example, a path) may break after a comma or slash.
    if ((c == ',' || c == '/') && word > 24) out += "\\:";
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

void Header(std::string& out, const std::string& name, const std::string& summary) {
  out += ".TH \"" + Roff(Upper(name)) + "\" 1 \"\" \"pds " + kVersionText + "\" \"Project data server\"\n";
  // Ragged right, no hyphenation: long examples and paths stay readable.
  out += ".ad l\n.nh\n";
  out += ".SH NAME\n" + Roff(name) + " \\- " + Roff(summary) + "\n";
}

void Synopsis(std::string& out, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  out += ".nf\n";
  for (const std::string& line : lines) out += Roff(line) + "\n";
  out += ".fi\n";
}

// The items of a section; runs of verbatim lines are set as one block.
void Items(std::string& out, const std::vector<HelpItem>& items) {
  bool in_block = false;
  for (const HelpItem& item : items) {
    bool verbatim = item.kind == HelpItem::Kind::kVerbatim;
    if (in_block && !verbatim) out += ".fi\n.RE\n";
    switch (item.kind) {
      case HelpItem::Kind::kParagraph:
        out += ".PP\n" + Roff(item.text) + "\n";
        break;
      case HelpItem::Kind::kDefinition:
        out += ".TP\n.B " + Roff(item.term) + "\n" + Roff(item.text) + "\n";
        break;
      case HelpItem::Kind::kVerbatim:
        if (!in_block) out += ".PP\n.RS 4\n.nf\n";
        out += Roff(item.text) + "\n";
        break;
    }
    in_block = verbatim;
  }
  if (in_block) out += ".fi\n.RE\n";
}

std::string PageName(const HelpPage& page) { return "pds-" + page.key; }

std::string ManPage(const HelpPage& page) {
  std::string out;
  Header(out, PageName(page), page.summary);
  out += ".SH SYNOPSIS\n";
  Synopsis(out, page.synopsis);
  for (const HelpSection& section : page.sections) {
    out += ".SH " + Roff(section.title) + "\n";
    Items(out, section.items);
  }
  if (page.key == "session") {
    out += ".SH \"SESSION COMMANDS\"\n";
    for (const HelpPage& command : HelpPages()) {
      if (command.key.rfind("session ", 0) != 0) continue;
      out += ".SS " + Roff(command.key.substr(8)) + "\n" + Roff(command.summary) + ".\n";
      Synopsis(out, command.synopsis);
      for (const HelpSection& section : command.sections) {
        out += ".PP\n.I " + Roff(section.title) + "\n.RS 4\n";
        Items(out, section.items);
        out += ".RE\n";
      }
    }
  }
  out += ".SH \"SEE ALSO\"\n.BR pds (1)\n";
  return out;
}

std::string OverviewPage(const CLI::App& app, const std::vector<std::string>& pages) {
  std::string out;
  Header(out, "pds", "the project data server's command-line host");
  out += ".SH SYNOPSIS\n.nf\npds COMMAND [ARGUMENTS]\npds help COMMAND\npds \\-\\-version\n.fi\n";
  out += ".SH DESCRIPTION\n.PP\nEach command has its own manual page, pds\\-COMMAND(1), which is also what "
         "\"pds help COMMAND\" prints.\n.SH COMMANDS\n";
  for (const CLI::App* sub : app.get_subcommands({})) {
    out += ".TP\n.BR pds\\-" + Roff(sub->get_name()) + " (1)\n" + Roff(sub->get_description()) + "\n";
  }
  out += ".SH \"EXIT STATUS\"\n";
  Items(out, ExitStatusItems());
  out += ".SH \"SEE ALSO\"\n";
  for (std::size_t i = 0; i < pages.size(); ++i) {
    out += ".BR " + Roff(pages[i]) + " (1)" + (i + 1 < pages.size() ? "," : "") + "\n";
  }
  return out;
}

}  // namespace

bool WriteManPages(const CLI::App& app, const std::string& folder, std::string* error) {
  if (!host::CreateFolders(folder)) {
    *error = "cannot create the folder " + folder;
    return false;
  }
  std::vector<std::string> names;
  for (const HelpPage& page : HelpPages()) {
    if (page.key.rfind("session ", 0) == 0) continue;
    std::string name = PageName(page);
    if (!host::WriteFileAtomic(folder + "/" + name + ".1", ManPage(page))) {
      *error = "cannot write " + folder + "/" + name + ".1";
      return false;
    }
    names.push_back(name);
  }
  if (!host::WriteFileAtomic(folder + "/pds.1", OverviewPage(app, names))) {
    *error = "cannot write " + folder + "/pds.1";
    return false;
  }
  return true;
}

}  // namespace pds::app
