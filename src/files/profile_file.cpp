#include "files/profile_file.h"

#include <algorithm>

#include "pds/PendingError.h"
#include "pds/Text.h"

namespace pds::platform {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::string_view TrimBlanksAndTabs(std::string_view s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// Names compare with ASCII case folding only; other letters compare as they are.
bool SameName(std::string_view a, std::string_view b) {
  a = TrimBlanksAndTabs(a);
  b = TrimBlanksAndTabs(b);
  return EqualsNoCase(a, b);
}

std::string Header(std::string_view section) { return "[" + std::string(section) + "]"; }

std::string EntryLine(std::string_view key, std::string_view value) {
  return std::string(key) + "=" + std::string(value);
}

// Copies text into a buffer of buffer_size characters with the Windows rule
// for a single string: at most buffer_size - 1 characters before the NUL.
std::size_t FitString(const std::string& text, std::size_t buffer_size, std::string* out) {
  std::size_t n = buffer_size == 0 ? 0 : std::min(text.size(), buffer_size - 1);
  out->assign(text, 0, n);
  return n;
}

// The rule for NUL-separated lists: the list plus its final NUL must fit,
// otherwise the list is cut to buffer_size - 2 characters and ends in two NULs.
std::size_t FitList(const std::string& list, std::size_t buffer_size, std::string* out) {
  if (list.size() + 1 <= buffer_size) {
    *out = list;
    return list.size();
  }
  std::size_t n = buffer_size >= 2 ? buffer_size - 2 : 0;
  out->assign(list, 0, n);
  return n;
}

std::string JoinWithNuls(const std::vector<std::string>& items) {
  std::string list;
  for (const std::string& item : items) {
    list += item;
    list.push_back('\0');
  }
  return list;
}

bool Missing(const Status& s) { return s.code == 2 || s.code == 3; }

}  // namespace

// ---- ProfileText

ProfileText::ProfileText(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    lines_.push_back(ParseLine(std::string(text.substr(pos, end - pos)), lines_.empty()));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
}

ProfileText::Line ProfileText::ParseLine(std::string raw, bool first_line) {
  Line line;
  std::string_view view = raw;
  if (first_line && view.substr(0, kBom.size()) == kBom) view.remove_prefix(kBom.size());
  std::string_view t = TrimBlanksAndTabs(view);
  if (t.empty()) {
    line.kind = Kind::kBlank;
  } else if (t.front() == ';') {
    line.kind = Kind::kComment;
  } else if (t.front() == '[') {
    line.kind = Kind::kSection;
    std::string_view name = t.substr(1);
    std::size_t close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    line.name = std::string(TrimBlanksAndTabs(name));
  } else {
    line.kind = Kind::kEntry;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
      line.name = std::string(t);
    } else {
      line.name = std::string(TrimBlanksAndTabs(t.substr(0, eq)));
      line.value = std::string(TrimBlanksAndTabs(t.substr(eq + 1)));
    }
  }
  line.raw = std::move(raw);
  return line;
}

std::string ProfileText::ToString() const {
  std::string text;
  for (const Line& line : lines_) {
    text += line.raw;
    text += "\r\n";
  }
  return text;
}

std::size_t ProfileText::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && SameName(lines_[i].name, section)) return i;
  }
  return kNone;
}

std::size_t ProfileText::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::kSection) ++i;
  return i;
}

std::size_t ProfileText::InsertPoint(std::size_t header) const {
  std::size_t end = SectionEnd(header);
  while (end > header + 1 && lines_[end - 1].kind == Kind::kBlank) --end;
  return end;
}

std::size_t ProfileText::FindKey(std::size_t header, std::string_view key) const {
  std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::kEntry && SameName(lines_[i].name, key)) return i;
  }
  return kNone;
}

std::optional<std::string> ProfileText::Value(std::string_view section, std::string_view key) const {
  std::size_t header = FindSection(section);
  if (header == kNone) return std::nullopt;
  std::size_t at = FindKey(header, key);
  if (at == kNone) return std::nullopt;
  std::string value = lines_[at].value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::optional<std::vector<std::string>> ProfileText::Entries(std::string_view section) const {
  std::size_t header = FindSection(section);
  if (header == kNone) return std::nullopt;
  std::vector<std::string> entries;
  std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const Line& line = lines_[i];
    if (line.kind != Kind::kEntry) continue;
    bool has_equals = line.raw.find('=') != std::string::npos;
    entries.push_back(has_equals ? EntryLine(line.name, line.value) : line.name);
  }
  return entries;
}

std::vector<std::string> ProfileText::SectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    if (line.kind == Kind::kSection) names.push_back(line.name);
  }
  return names;
}

void ProfileText::AppendSection(std::string_view section, const std::vector<std::string>& entries) {
  // A blank line before the new section keeps the file readable by hand.
  if (!lines_.empty() && lines_.back().kind != Kind::kBlank) lines_.push_back(ParseLine({}, false));
  lines_.push_back(ParseLine(Header(section), lines_.empty()));
  for (const std::string& entry : entries) lines_.push_back(ParseLine(entry, false));
}

void ProfileText::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  std::size_t header = FindSection(section);
  if (header == kNone) {
    AppendSection(section, {EntryLine(key, value)});
    return;
  }
  std::size_t at = FindKey(header, key);
  if (at != kNone) {
    // The key keeps its place and the spelling of its name as the file has it.
    lines_[at] = ParseLine(EntryLine(lines_[at].name, value), at == 0);
    return;
  }
  std::size_t insert = InsertPoint(header);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), ParseLine(EntryLine(key, value), false));
}

bool ProfileText::DeleteKey(std::string_view section, std::string_view key) {
  std::size_t header = FindSection(section);
  if (header == kNone) return false;
  std::size_t at = FindKey(header, key);
  if (at == kNone) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
  return true;
}

bool ProfileText::DeleteSection(std::string_view section) {
  std::size_t header = FindSection(section);
  if (header == kNone) return false;
  std::size_t end = SectionEnd(header);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header), lines_.begin() + static_cast<std::ptrdiff_t>(end));
  return true;
}

void ProfileText::ReplaceSection(std::string_view section, const std::vector<std::string>& entries) {
  std::size_t header = FindSection(section);
  if (header == kNone) {
    AppendSection(section, entries);
    return;
  }
  std::size_t body_end = InsertPoint(header);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header + 1),
               lines_.begin() + static_cast<std::ptrdiff_t>(body_end));
  std::vector<Line> fresh;
  fresh.reserve(entries.size());
  for (const std::string& entry : entries) fresh.push_back(ParseLine(entry, false));
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(header + 1), fresh.begin(), fresh.end());
}

// ---- files

Status ReadProfile(const std::string& file, ProfileText* out) {
  *out = ProfileText();
  std::string content;
  Status s = CurrentEnv()->ReadFile(file, &content);
  if (!s.ok()) return s;
  *out = ProfileText(content);
  return Status::Ok();
}

Status WriteProfile(const std::string& file, const ProfileText& text) {
  Env* env = CurrentEnv();
  FileAttributes attributes;
  if (env->GetAttributes(file, &attributes).ok()) {
    // Our own check: the process may run as a user the OS lets write anything.
    if (attributes.read_only || attributes.directory) return Status::Error(5);
  }
  return env->WriteFileAtomic(file, text.ToString());
}

// ---- the Windows profile-file services

namespace {

// Loads a profile for an edit; a missing file is an empty profile.
bool LoadForEdit(const std::string& file, ProfileText* text) {
  Status s = ReadProfile(file, text);
  if (s.ok() || Missing(s)) return true;
  pds::SetLastOsError(s.code);
  return false;
}

bool Store(const std::string& file, const ProfileText& text) {
  Status s = WriteProfile(file, text);
  pds::SetLastOsError(s.code);
  return s.ok();
}

}  // namespace

bool WritePrivateProfileString(const std::string& section, const std::optional<std::string>& key,
                               const std::optional<std::string>& value, const std::string& file) {
  ProfileText text;
  if (!LoadForEdit(file, &text)) return false;
  if (!key) {
    if (!text.DeleteSection(section)) {
      pds::SetLastOsError(0);
      return true;
    }
  } else if (!value) {
    if (!text.DeleteKey(section, *key)) {
      pds::SetLastOsError(0);
      return true;
    }
  } else {
    text.SetValue(section, *key, *value);
  }
  return Store(file, text);
}

std::size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& default_value, std::size_t buffer_size,
                                    const std::string& file, std::string* out) {
  ProfileText text;
  Status s = ReadProfile(file, &text);
  std::optional<std::string> value;
  if (s.ok()) value = text.Value(section, key);
  if (value) {
    pds::SetLastOsError(0);
    return FitString(*value, buffer_size, out);
  }
  pds::SetLastOsError(s.ok() || Missing(s) ? 2 : s.code);
  std::string fallback = default_value;
  fallback.erase(fallback.find_last_not_of(' ') + 1);
  return FitString(fallback, buffer_size, out);
}

bool WritePrivateProfileSection(const std::string& section, const std::string& data, const std::string& file) {
  std::vector<std::string> entries;
  std::size_t pos = 0;
  while (pos < data.size()) {
    std::size_t end = data.find('\0', pos);
    if (end == std::string::npos) end = data.size();
    if (end == pos) break;  // an empty entry ends the list
    entries.push_back(data.substr(pos, end - pos));
    pos = end + 1;
  }
  ProfileText text;
  if (!LoadForEdit(file, &text)) return false;
  text.ReplaceSection(section, entries);
  return Store(file, text);
}

std::size_t GetPrivateProfileSection(const std::string& section, std::size_t buffer_size, const std::string& file,
                                     std::string* out) {
  ProfileText text;
  Status s = ReadProfile(file, &text);
  std::optional<std::vector<std::string>> entries;
  if (s.ok()) entries = text.Entries(section);
  if (!entries) {
    pds::SetLastOsError(s.ok() || Missing(s) ? 2 : s.code);
    out->clear();
    return 0;
  }
  pds::SetLastOsError(0);
  return FitList(JoinWithNuls(*entries), buffer_size, out);
}

std::size_t GetPrivateProfileSectionNames(std::size_t buffer_size, const std::string& file, std::string* out) {
  ProfileText text;
  Status s = ReadProfile(file, &text);
  if (!s.ok()) {
    pds::SetLastOsError(Missing(s) ? 2 : s.code);
    out->clear();
    return 0;
  }
  pds::SetLastOsError(0);
  return FitList(JoinWithNuls(text.SectionNames()), buffer_size, out);
}

}  // namespace pds::platform
