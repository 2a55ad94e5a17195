// Single-key access to the project file, the shared pieces of its format, and
// the readers: application list, file specifications, properties.
#include "projects/project_store.h"
#include "projects/project_file.h"

#include <cctype>

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "pds/UiHost.h"
#include "pds/Variant.h"
#include "pds/clsProject.h"
#include "platform/env.h"
#include "files/profile_file.h"
#include "files/file_routines.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

// What one key read or one section read may return, as the buffers the
// format was defined with allow.
constexpr std::size_t kBufferSize = 1024;

std::string FileNotFoundText(const std::string& file) {
  return "File not found." + LineBreaks(2) + InBrackets(file);
}

// What keeps a project file from being read, as the message that says so;
// empty when it can be read. Missing, not a plain file, and present but
// unreadable (or too large to be one) are told apart, and the file is named.
// For the last, the system's reason is left pending for the report to add.
std::string ProjectFileProblem(const std::string& file) {
  platform::FileAttributes attributes;
  const platform::Status found = platform::CurrentEnv()->GetAttributes(file, &attributes);
  if (file.empty() || found.code == 2 || found.code == 3) return FileNotFoundText(file);
  if (found.ok() && (attributes.directory || attributes.special)) {
    return "The project file is not a plain file (it is a folder, a device or a pipe) and cannot be read." +
           LineBreaks(2) + InBrackets(file);
  }
  std::string content;
  platform::Status read = found.ok() ? platform::CurrentEnv()->ReadFile(file, &content) : found;
  if (read.ok()) return {};
  SetLastOsError(read.code);
  if (read.code == platform::kErrFileTooLarge) {
    return "The project file is too large to be a project file and is not read." + LineBreaks(2) + InBrackets(file);
  }
  return "The project file could not be read." + LineBreaks(2) + InBrackets(file);
}

// The text after the first "=" of a "key=value" entry; the whole entry is
// the key when it has none.
std::pair<std::string, std::string> SplitEntry(const std::string& entry) {
  std::size_t eq = entry.find('=');
  if (eq == std::string::npos) return {entry, {}};
  return {entry.substr(0, eq), entry.substr(eq + 1)};
}

std::vector<std::string> SplitAtNuls(const std::string& list) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos < list.size()) {
    std::size_t end = list.find('\0', pos);
    if (end == std::string::npos) end = list.size();
    if (end > pos) parts.push_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  return parts;
}

}  // namespace

// ---- single keys

void ShowWritePPSFailure(const std::string& key, const std::optional<std::string>& value, const std::string& file) {
  // The system error stays pending: the caller's own report adds it again.
  const std::string text = "Unable to write string [" + key + " = " + value.value_or("") + "] to file " +
                           LineBreaks(0) + file + LineBreaks(2) + GetSystemErrorText(Err().last_os_error);
  Ui().MsgBox(text, vbCritical, "WritePPS()");
}

bool WritePPS(const std::string& section, const std::string& key, const std::optional<std::string>& value,
              const std::string& file) {
  try {
    if (platform::WritePrivateProfileString(section, key, value, file)) return true;
    ShowWritePPSFailure(key, value, file);
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, "WritePPS()");
  }
  return false;
}

bool ReadPPS(const std::string& section, const std::string& key, std::string& value, const std::string& file) {
  try {
    std::string out;
    platform::GetPrivateProfileString(section, key, "", kBufferSize, file, &out);
    if (Err().last_os_error == 0) {
      value = out;
      return true;
    }
  } catch (...) {
    CatchToPending();
  }
  value.clear();
  return false;
}

bool DeleteAppFileSections(const std::string& pdsg, const std::string& file) {
  try {
    platform::ProfileText text;
    platform::Status s = platform::ReadProfile(file, &text);
    if (!s.ok()) {
      SetLastOsError(s.code);
      return false;
    }
    const std::string prefix = UCase(pdsg + " File ");
    bool changed = false;
    for (const std::string& name : text.SectionNames()) {
      const std::string upper = UCase(Trim(name));
      if (upper.compare(0, prefix.size(), prefix) != 0 || !AllChars(upper.substr(prefix.size()), std::isdigit)) continue;
      changed = text.DeleteSection(name) || changed;
    }
    if (!changed) {
      SetLastOsError(0);
      return true;
    }
    s = platform::WriteProfile(file, text);
    SetLastOsError(s.code);
    return s.ok();
  } catch (...) {
    CatchToPending();
    return false;
  }
}

// ---- format pieces

std::string FileSectionName(const std::string& pdsg, int ordinal) {
  // At least two digits; an ordinal past 99 keeps all of its digits.
  const std::string digits = std::to_string(ordinal);
  return pdsg + " File " + (digits.size() < 2 ? "0" + digits : digits);
}

std::string FlagText(bool flag) { return flag ? "-1" : "0"; }

bool FlagFromText(const std::string& text) {
  const std::string trimmed = Trim(text);
  return IsNumericText(trimmed) && Variant(trimmed).AsDouble() != 0.0;
}

std::string EncodeNotesValue(const std::string& notes) {
  std::string out;
  out.reserve(notes.size() + 8);
  for (std::size_t i = 0; i < notes.size(); ++i) {
    const char c = notes[i];
    if (const char* escape = OneLineEscape(c)) {
      out += escape;
    } else if (c == '\0') {
      out += "\\0";
    } else {
      if (i == 0 && (c == '"' || c == '\'')) out += '\\';
      out += c;
    }
  }
  return out;
}

std::string DecodeNotesValue(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c != '\\' || i + 1 == value.size()) {
      out += c;  // a lone trailing backslash (a value cut by the read buffer) stays as it is
      continue;
    }
    const char next = value[++i];
    switch (next) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '0': out += '\0'; break;
      default: out += next;  // "\\", "\"", "\'"
    }
  }
  return out;
}

// ---- readers

bool ReadProjectFileApps(AppList& apps, const std::string& file) {
  constexpr const char* kTitle = "GetProjectAppsFromQVPFile()";
  ClearError();
  return Guarded(kTitle, vbCritical, false, [&]() -> bool {
    if (const std::string problem = ProjectFileProblem(file); !problem.empty()) {
      ShowError(problem, vbCritical, kTitle);
      return false;
    }
    std::string section;
    platform::GetPrivateProfileSection("Application Data", kBufferSize, file, &section);
    ClearError();  // a file without the section is not a failure
    for (const std::string& entry : SplitAtNuls(section)) apps.push_back(SplitEntry(entry));
    return true;
  });
}

bool ProjectStore::GetProjectAppsFromQVPFile(AppList& sApps, const std::string& sFile) {
  return ReadProjectFileApps(sApps, sFile);
}

bool ProjectStore::GetProjectFileSpecsFromQVPFile(const std::string& sPdsg, std::vector<DataFileSpec>& specs,
                                                          const std::string& sFile) {
  constexpr const char* kTitle = "GetProjectFileSpecsFromQVPFile()";
  ClearError();
  return Guarded(kTitle, vbCritical, false, [&]() -> bool {
    const std::string file = Trim(sFile);
    if (file.empty()) {
      ShowError("Missing project file path and name.", vbCritical, kTitle);
      return false;
    }
    if (const std::string problem = ProjectFileProblem(file); !problem.empty()) {
      ShowError(problem, vbCritical, kTitle);
      return false;
    }
    std::string names;
    if (platform::GetPrivateProfileSectionNames(kBufferSize, file, &names) == 0) {
      ShowError("", vbCritical, kTitle);
      return false;
    }
    // The count is taken over the whole list of names, case exact, as the
    // writer names the sections; the ordinals are then read 1..count.
    const std::string marker = sPdsg + " File ";
    int count = 0;
    for (std::size_t pos = names.find(marker); !marker.empty() && pos != std::string::npos;
         pos = names.find(marker, pos + marker.size())) {
      ++count;
    }
    if (count > 0) specs.assign(static_cast<std::size_t>(count), DataFileSpec{});
    for (int i = 1; i <= count; ++i) {
      const std::string section = FileSectionName(sPdsg, i);
      DataFileSpec& spec = specs[static_cast<std::size_t>(i - 1)];
      std::string value;
      if (!ReadPPS(section, "FileName", value, file)) break;  // later records stay empty
      spec.FileName = value;
      if (ReadPPS(section, "RequiredFlag", value, file)) spec.RequiredFlag = FlagFromText(value);
      if (ReadPPS(section, "VerifyFlag", value, file)) spec.VerifyFlag = FlagFromText(value);
      if (ReadPPS(section, "ArchiveFlag", value, file)) spec.ArchiveFlag = FlagFromText(value);
      if (ReadPPS(section, "EraseFlag", value, file)) spec.EraseFlag = FlagFromText(value);
      if (ReadPPS(section, "CreateMethod", value, file)) {
        spec.CreateMethod = static_cast<std::int16_t>(Variant(Trim(value)).AsLong());
      }
      if (ReadPPS(section, "SourceFileName", value, file)) spec.SourceFileName = value;
    }
    ClearError();
    return true;
  });
}

bool ProjectStore::GetProjectPropertiesFromQVPFile(const ProjectRef& project, const std::string& sFile) {
  constexpr const char* kTitle = "Error Reading Project Properties";
  ClearError();
  return Guarded(kTitle, vbCritical, false, [&]() -> bool {
    if (!project) {
      ShowError("Project object is invalid.", vbCritical, kTitle);
      return false;
    }
    if (const std::string problem = ProjectFileProblem(sFile); !problem.empty()) {
      ShowError(problem, vbCritical, kTitle);
      return false;
    }
    struct Item {
      const char* section;
      const char* key;
      void (*store)(clsProject&, const std::string&);
    };
    static const Item kItems[] = {
        {"Project", "Project Name", [](clsProject& p, const std::string& v) { p.SetJobName(v); }},
        {"Properties", "Project Number", [](clsProject& p, const std::string& v) { p.SetJobNumber(v); }},
        {"Properties", "Project Date", [](clsProject& p, const std::string& v) { p.SetJobDate(v); }},
        {"Properties", "Contact Type", [](clsProject& p, const std::string& v) { p.SetContactType(v); }},
        {"Properties", "Contact Name", [](clsProject& p, const std::string& v) { p.SetContactName(v); }},
        {"Properties", "Salesperson", [](clsProject& p, const std::string& v) { p.SetSalesPerson(v); }},
        {"Properties", "Last Modified", [](clsProject& p, const std::string& v) { p.SetLastModified(v); }},
        {"Properties", "Project Notes",
         [](clsProject& p, const std::string& v) { p.SetNotes(DecodeNotesValue(v)); }},
    };
    for (const Item& item : kItems) {
      std::string value;
      if (!ReadPPS(item.section, item.key, value, sFile)) {
        // Values stored before the failed read stay stored.
        ShowError("", vbCritical, kTitle);
        return false;
      }
      item.store(*project, value);
    }
    return true;
  });
}

}  // namespace pds
