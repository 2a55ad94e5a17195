// A project of the earlier generation, as pds-translate reads it: a folder
// holding the project profile QBMPROJ.INI and one CSV file of tags per tag
// type (the format is described in pds-translate --help).
//
// ReadPreviousProject reads and checks everything before anything is
// written anywhere: a project it returns is complete, with every tag name
// present and unique per tag type. Nothing here throws; a refusal comes
// back as a message naming the file, the line and the reason.
#pragma once

#include <string>
#include <vector>

namespace pds::translate {

inline constexpr char kProjectProfile[] = "QBMPROJ.INI";
inline constexpr char kFormat[] = "QBM32";
inline constexpr char kTagNameField[] = "TagName";

struct TagTypeData {
  std::string tag_type;  // the tag table the rows go to
  std::string file;      // the CSV file, as named in the profile
  std::vector<std::string> fields;             // the header row
  std::vector<std::vector<std::string>> rows;  // one cell per field
  std::vector<int> lines;                      // each row's line in the file, for messages
};

struct PreviousProject {
  std::string name;
  std::vector<TagTypeData> tag_types;  // in profile order
};

// Reads the project in folder into out; false with the reason in error.
bool ReadPreviousProject(const std::string& folder, PreviousProject* out, std::string* error);

// Splits CSV text into records of cells: fields separated by commas,
// double-quoted fields may hold commas, quotes ("" for one) and line
// breaks; lines end in LF or CR LF. false with the reason in error (the line
// of an unterminated quote). line_numbers receives each record's first line.
bool ParseCsv(const std::string& text, std::vector<std::vector<std::string>>* records,
              std::vector<int>* line_numbers, std::string* error);

}  // namespace pds::translate
