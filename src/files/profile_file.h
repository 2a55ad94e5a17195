// Profile (INI) files with the Windows profile-file semantics the project file
// relies on: section and key names compared without regard to case (ASCII
// folding, names trimmed of blanks and tabs), the first matching section and
// the first matching key win, writing a key creates its section at the end of
// the file, an absent value deletes a key, a whole section can be replaced,
// and readers that pass a buffer size get the Windows truncation rules.
//
// Two layers:
//  - ProfileText, an in-memory profile that keeps every line it does not
//    edit (comments, blank lines, lines outside any section, duplicates), plus
//    ReadProfile / WriteProfile to load and store one file;
//  - the Windows-named functions below, the thin layer the project file calls.
//    Each records its outcome as the last operating-system error
//    (pds::SetLastOsError: 0 on success, the failure's code otherwise) so that
//    the callers' messages can show "Error <code>  -  <text>".
//
// Files are read with CR LF or LF line ends and always written with CR LF.
// Every write replaces the whole file atomically (temporary file + rename), so
// a crash leaves either the old or the new file, never half of one. A file
// without write bits refuses every write with 5 (access denied); a missing
// folder gives 3 (path not found). Nothing here throws except std::bad_alloc.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"

namespace pds::platform {

class ProfileText {
 public:
  ProfileText() = default;
  // Parses text; lines end in LF, CR LF or a lone CR. A leading UTF-8 byte
  // order mark is ignored for lookup and kept on output.
  explicit ProfileText(std::string_view text);

  // The file's content, every line ended by CR LF.
  std::string ToString() const;
  bool empty() const { return lines_.empty(); }

  // The value of key in the first section named section: trimmed of blanks and
  // tabs, with one matching pair of surrounding double or single quotes
  // removed. nullopt when the section or the key is missing.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  // The entries of the first section named section, as "key=value" (key and
  // value trimmed, quotes kept; a line without "=" as its trimmed text).
  // Comment and blank lines are not entries. nullopt when the section is missing.
  std::optional<std::vector<std::string>> Entries(std::string_view section) const;
  // Every section header's name, in file order, duplicates included.
  std::vector<std::string> SectionNames() const;

  // Replaces the first matching key's line in place, or adds "key=value" after
  // the section's last entry, or appends the section with the key at the end.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);
  // Removes the first matching key line; false when there was none.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes the first matching section with everything up to the next header;
  // false when there was none.
  bool DeleteSection(std::string_view section);
  // Replaces the content of the first matching section (entries and comments)
  // with exactly the given lines, keeping the blank lines that separate it
  // from the next section; appends the section when it is missing.
  void ReplaceSection(std::string_view section, const std::vector<std::string>& entries);

 private:
  enum class Kind { kBlank, kComment, kSection, kEntry };
  struct Line {
    std::string raw;   // the line as read or written, without its line end
    Kind kind = Kind::kBlank;
    std::string name;  // section or key name, trimmed
    std::string value; // an entry's value, trimmed (quotes kept)
  };
  static Line ParseLine(std::string raw, bool first_line);
  // Index of the first header matching section, or npos.
  std::size_t FindSection(std::string_view section) const;
  // One past the last line belonging to the section whose header is at index.
  std::size_t SectionEnd(std::size_t header) const;
  // Where a new entry of the section at header goes: after its last non-blank line.
  std::size_t InsertPoint(std::size_t header) const;
  std::size_t FindKey(std::size_t header, std::string_view key) const;
  void AppendSection(std::string_view section, const std::vector<std::string>& entries);

  std::vector<Line> lines_;
};

// Loads file into out. A missing file gives 2 (file not found) and an empty
// profile; other read failures give their code and an empty profile.
Status ReadProfile(const std::string& file, ProfileText* out);

// Stores text as file, replacing it atomically. 5 when an existing file has
// no write bits (its content stays); the file is created when missing.
Status WriteProfile(const std::string& file, const ProfileText& text);

// ---- the Windows profile-file services

// Writes value to key of section, creating the file and the section as needed.
// A nullopt value deletes the key; a nullopt key deletes the whole section.
// Deleting what is not there succeeds without touching the file. False on a
// failed read or write, with the code recorded. Values are written as given:
// as with the Windows service, a line break inside one would start a new line,
// so callers keep values on one line.
bool WritePrivateProfileString(const std::string& section, const std::optional<std::string>& key,
                               const std::optional<std::string>& value, const std::string& file);

// Reads the value of key into out: at most buffer_size - 1 characters,
// returning how many. When the file, the section or the key is missing, out is
// default_value (less its trailing blanks, cut the same way) and 2 is recorded.
std::size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& default_value, std::size_t buffer_size,
                                    const std::string& file, std::string* out);

// Replaces the whole content of section with the entries of data
// ("key=value\0key2=value2\0", an empty entry ends the list), appending the
// section when it is missing.
bool WritePrivateProfileSection(const std::string& section, const std::string& data, const std::string& file);

// Reads the entries of section into out as "key=value\0" each. The result is
// the number of characters in out; the buffer's final NUL is not part of out.
// When the entries and the final NUL do not fit in buffer_size, out holds the
// first buffer_size - 2 characters and that count is returned. A missing file
// or section gives 0 with 2 recorded.
std::size_t GetPrivateProfileSection(const std::string& section, std::size_t buffer_size, const std::string& file,
                                     std::string* out);

// Every section name followed by a NUL, in file order, with the same count and
// truncation rules as GetPrivateProfileSection. A missing file gives 0 with 2
// recorded.
std::size_t GetPrivateProfileSectionNames(std::size_t buffer_size, const std::string& file, std::string* out);

}  // namespace pds::platform
