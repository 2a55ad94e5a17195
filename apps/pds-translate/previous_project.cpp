#include "apps/pds-translate/previous_project.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "pds/Text.h"

namespace pds::translate {

namespace {

bool ReadWhole(const std::string& path, std::string* text) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text->assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

std::string Clean(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
  const std::size_t start = s.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : s.substr(start);
}

// The entries of the profile's sections, in file order: (section, key, value).
struct Entry {
  std::string section, key, value;
};
std::vector<Entry> ProfileEntries(const std::string& text) {
  std::vector<Entry> entries;
  std::string section;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = Clean(text.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = Clean(line.substr(1, line.size() - 2));
    } else if (const std::size_t eq = line.find('='); eq != std::string::npos) {
      entries.push_back({section, Clean(line.substr(0, eq)), Clean(line.substr(eq + 1))});
    }
  }
  return entries;
}

bool ReadTagType(const std::string& folder, TagTypeData& data, std::string* error) {
  const std::string where = data.file + " (tag type " + data.tag_type + ")";
  std::string text;
  if (!ReadWhole(folder + "/" + data.file, &text)) {
    *error = "cannot read " + where + " in " + folder;
    return false;
  }
  std::vector<std::vector<std::string>> records;
  std::vector<int> lines;
  std::string problem;
  if (!ParseCsv(text, &records, &lines, &problem)) {
    *error = where + ": " + problem;
    return false;
  }
  if (records.empty()) {
    *error = where + ": no header row of field names";
    return false;
  }
  data.fields = records.front();
  std::set<std::string> seen;
  int name_column = -1;
  for (std::size_t c = 0; c < data.fields.size(); ++c) {
    const std::string field = Clean(data.fields[c]);
    data.fields[c] = field;
    if (field.empty()) {
      *error = where + ": column " + std::to_string(c + 1) + " of the header has no field name";
      return false;
    }
    if (!seen.insert(UCase(field)).second) {
      *error = where + ": field " + field + " is named twice in the header";
      return false;
    }
    if (EqualsNoCase(field, kTagNameField)) name_column = static_cast<int>(c);
  }
  if (name_column < 0) {
    *error = where + ": the header has no " + kTagNameField + " field";
    return false;
  }
  std::set<std::string> names;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const std::string at = where + " line " + std::to_string(lines[r]);
    if (records[r].size() != data.fields.size()) {
      *error = at + ": " + std::to_string(records[r].size()) + " values for " + std::to_string(data.fields.size()) +
               " fields";
      return false;
    }
    const std::string name = Trim(records[r][static_cast<std::size_t>(name_column)]);
    if (name.empty()) {
      *error = at + ": the tag has no name";
      return false;
    }
    // Tag names compare without regard to case, as the tag database does.
    if (!names.insert(UCase(name)).second) {
      *error = at + ": duplicate tag name '" + name + "'";
      return false;
    }
    records[r][static_cast<std::size_t>(name_column)] = name;
    data.rows.push_back(std::move(records[r]));
    data.lines.push_back(lines[r]);
  }
  return true;
}

}  // namespace

bool ParseCsv(const std::string& text, std::vector<std::vector<std::string>>* records,
              std::vector<int>* line_numbers, std::string* error) {
  records->clear();
  line_numbers->clear();
  std::vector<std::string> record;
  std::string cell;
  bool quoted = false;
  bool cell_started = false;
  int line = 1;
  int record_line = 1;
  auto end_record = [&] {
    record.push_back(std::move(cell));
    cell.clear();
    // A line with nothing on it is no record.
    if (!(record.size() == 1 && record[0].empty() && !cell_started)) {
      records->push_back(std::move(record));
      line_numbers->push_back(record_line);
    }
    record.clear();
    cell_started = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
      cell_started = true;
    } else if (c == ',') {
      record.push_back(std::move(cell));
      cell.clear();
      cell_started = true;
    } else if (c == '\n') {
      end_record();
      record_line = ++line;
    } else if (c != '\r') {
      cell += c;
      cell_started = true;
    }
  }
  if (quoted) {
    *error = "line " + std::to_string(record_line) + ": a quoted value is not closed";
    return false;
  }
  if (cell_started || !record.empty()) end_record();
  return true;
}

bool ReadPreviousProject(const std::string& folder, PreviousProject* out, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    *error = "the earlier project's folder " + folder + " does not exist";
    return false;
  }
  std::string text;
  if (!ReadWhole(folder + "/" + kProjectProfile, &text)) {
    *error = folder + " holds no readable " + kProjectProfile + ": it is not a project of the earlier generation";
    return false;
  }
  std::string format;
  for (const Entry& e : ProfileEntries(text)) {
    if (EqualsNoCase(e.section, "Project") && EqualsNoCase(e.key, "Format")) format = e.value;
    if (EqualsNoCase(e.section, "Project") && EqualsNoCase(e.key, "Name")) out->name = e.value;
    if (EqualsNoCase(e.section, "Tag Types")) out->tag_types.push_back({e.key, e.value, {}, {}, {}});
  }
  if (!EqualsNoCase(format, kFormat)) {
    *error = std::string(kProjectProfile) + " of " + folder + ": format '" + format + "' is not " + kFormat;
    return false;
  }
  for (TagTypeData& data : out->tag_types) {
    if (!ReadTagType(folder, data, error)) return false;
  }
  return true;
}

}  // namespace pds::translate
