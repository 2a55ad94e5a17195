// The name rules of file_routines.h: project names, and file and folder names
// for volumes with and without long names.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "files/file_routines.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

// Exact sets, in the order the rules list them; compared after ASCII upper-casing.
constexpr std::string_view kProjectNameChars = " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ$%`-@{}~!#()._";
constexpr std::string_view kShortNameChars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ$%`-@{}~!'#()._&";
constexpr std::string_view kLongNameForbidden = "'<>:/|\\\"";

int& JobNameLimitSlot() {
  static int limit = 50;
  return limit;
}

// The characters of a UTF-8 text, one string each, so that lengths count what
// the user typed and a refused character is shown whole. A malformed byte
// counts as one character.
std::vector<std::string> Characters(std::string_view text) {
  std::vector<std::string> chars;
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t len = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    std::size_t n = 1;
    while (n < len && i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
    chars.emplace_back(text.substr(i, n));
    i += n;
  }
  return chars;
}

bool InSet(const std::string& ch, std::string_view set) {
  return ch.size() == 1 && set.find(UCase(ch)[0]) != std::string_view::npos;
}

// The name as the rules see it: up to its first NUL, not trimmed.
std::string UpToNull(const std::string& name) { return name.substr(0, name.find('\0')); }

bool Refuse(const std::string& message, const char* title) {
  ShowError(message, vbExclamation, title);
  return false;
}

}  // namespace

int JobNameLengthLimit() { return JobNameLimitSlot(); }
void SetJobNameLengthLimit(int limit) { JobNameLimitSlot() = limit; }

bool ValidCharsInProjectName(const std::string& name, int max_len) {
  constexpr const char* kTitle = "ValidCharsInProjectName()";
  return Guarded(kTitle, vbExclamation, false, [&]() -> bool {
    const std::vector<std::string> chars = Characters(UpToNull(name));
    const std::size_t limit = static_cast<std::size_t>(max_len == 0 ? JobNameLengthLimit() : std::max(max_len, 0));
    if (chars.empty()) {
      return Refuse("Invalid project name.  The project name is too short.  Please enter a longer project name.",
                    kTitle);
    }
    if (chars.size() > limit) {
      return Refuse("Invalid project name.  The project name is too long.  Please enter a shorter project name.",
                    kTitle);
    }
    if (chars.front() == ".") return Refuse("Invalid project name.  A project name cannot begin with a period.", kTitle);
    std::string refused;
    for (const std::string& ch : chars) {
      if (!InSet(ch, kProjectNameChars)) refused += ch;
    }
    if (!refused.empty()) {
      return Refuse("Invalid project name.  The following characters cannot be used in a project name:  " +
                        InParens(refused),
                    kTitle);
    }
    return true;
  });
}

bool CheckProjectName(const std::string& name) {
  return Guarded("CheckProjectName()", vbExclamation, false, [&]() -> bool {
    if (name.empty()) {
      Ui().MsgBox("Invalid project name.", vbExclamation, "Invalid Project Name");
      return false;
    }
    if (IsSameText(name, "Untitled")) {
      Ui().MsgBox("Invalid project name.  " + InBrackets(name), vbExclamation, "Invalid Project Name");
      return false;
    }
    return true;
  });
}

bool ValidateShortFileName(const std::string& name) {
  constexpr const char* kTitle = "ValidateShortFileName()";
  const std::string too_long = "Invalid file or folder name.  This name is too long.  Please enter a shorter name.";
  return Guarded(kTitle, vbExclamation, false, [&]() -> bool {
    const std::vector<std::string> chars = Characters(UpToNull(name));
    std::size_t period = chars.size();
    for (std::size_t i = 0; i < chars.size(); ++i) {
      if (chars[i] != ".") continue;
      if (period != chars.size()) {
        return Refuse("Invalid file or folder name.  Cannot have multiple periods in a name.", kTitle);
      }
      period = i;
    }
    const bool has_period = period != chars.size();
    if (period > 8) return Refuse(too_long, kTitle);
    if (has_period) {
      const std::size_t after = chars.size() - period - 1;
      if (period == 0) return Refuse("Invalid file or folder name.  Period is out of place.", kTitle);
      if (after >= 4) return Refuse("Invalid file or folder name.  Too many characters after the period.", kTitle);
      if (after == 0) {
        return Refuse("Invalid file or folder name.  Period cannot be last character in name.", kTitle);
      }
    }
    for (const std::string& ch : chars) {
      if (InSet(ch, kShortNameChars)) continue;
      if (ch == " ") {
        return Refuse(
            "Invalid File or Folder name.  Spaces are invalid in file and folder names on the drive you have "
            "selected.",
            kTitle);
      }
      return Refuse("Invalid File or Folder name.  " + InParens(ch) + "  is not a valid character.", kTitle);
    }
    return true;
  });
}

bool ValidateLongFileName(const std::string& name, int max_len) {
  constexpr const char* kTitle = "ValidateLongFileName()";
  return Guarded(kTitle, vbExclamation, false, [&]() -> bool {
    const std::vector<std::string> chars = Characters(UpToNull(name));
    if (chars.empty()) return Refuse("Invalid file or folder name.  Please enter a longer name.", kTitle);
    if (chars.size() > static_cast<std::size_t>(std::max(max_len, 0))) {
      return Refuse("Invalid file or folder name.  The name is too long.  Please enter a shorter name.", kTitle);
    }
    if (chars.front() == "." || chars.back() == ".") {
      return Refuse(
          "Invalid file or folder name.  A file or folder name cannot begin or end with a period(.).", kTitle);
    }
    for (const std::string& ch : chars) {
      if (ch.size() == 1 && kLongNameForbidden.find(ch[0]) != std::string_view::npos) {
        return Refuse(
            "Invalid file or folder name.  An invalid character(s) was used.  The following are invalid "
            "characters:  " +
                std::string(kLongNameForbidden),
            kTitle);
      }
    }
    return true;
  });
}

}  // namespace pds
