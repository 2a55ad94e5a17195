// The per-user settings store: small named values a user's programs share,
// kept per application name in one profile (INI) file,
//
//   ${XDG_CONFIG_HOME:-$HOME/.config}/tvx-ii/<application name>.ini
//
// with a section per settings section and a "key=value" line per setting.
// The component talks to an external translator program through it (section
// "Translator"); the translator learns the application name from its command
// line and reads and writes the same file with these routines, or with any
// reader of that format.
//
// Names of sections and keys compare without regard to case (ASCII letters);
// values are one line of text. Every write replaces the file atomically, so
// two programs taking turns never see half a file. Folders on the way to the
// file are created at the first write. Nothing here throws; a failure
// records its system error code as the pending error's last OS error.
#pragma once

#include <optional>
#include <string>

namespace pds {

// The file that holds application's settings; empty when neither
// XDG_CONFIG_HOME nor HOME names a folder.
std::string UserSettingsFile(const std::string& application);

// Stores value under key of section; false when the file cannot be written.
bool SaveUserSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& value);

// The value of key of section; nullopt when the file, the section or the
// key is missing.
std::optional<std::string> GetUserSetting(const std::string& application, const std::string& section,
                                          const std::string& key);

// Removes key of section, and the section with it once it holds nothing
// else; removing what is not there succeeds. False when the file cannot be
// written.
bool DeleteUserSetting(const std::string& application, const std::string& section, const std::string& key);

}  // namespace pds
