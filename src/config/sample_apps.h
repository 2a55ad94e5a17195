// The sample applications an installation can carry, as data: each one's
// designation, name, version and data style, the data files it keeps in a
// project (its DataSpecification rows), the files of its program folder
// ("Code") and, for applications with tag support, its tag tables with the
// data definition of every field.
//
//   PMP10  "Pump Designer"     project and tag support (6): application
//          database PMP10App.mdb (DataDef), tag database template PMP10Tag.ro
//          (tag types "TagData", 300 fields, and "Motor"), curve template.
//   LAY10  "Layout Planner"    project support (2): two data-file templates.
//   CAL10  "Unit Calculator"   no data (0): one program file.
//
// The installation builder lays these out; tests use the same descriptions
// to know what an installation holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/process_state.h"
#include "config/schema.h"

namespace pds::install {

// One field of a tag table with its data definition (a DataDef row).
struct TagField {
  schema::FieldSchema field;
  std::string friendly_name;
  std::string default_value;  // factory default as text; the tag creation turns it into a literal
  std::string min;
  std::string max;
  std::string format;
  std::string format_metric;
  long unit = 0;
  long display_never = 0;
  std::string group;
};

struct TagTableSpec {
  std::string name;
  std::vector<TagField> fields;  // the base fields (lTagId, TagName, lOrder) first

  schema::TableSchema Schema() const;
};

// A file laid out as it is (a data-file template or another program file).
struct PlainFile {
  std::string name;
  std::string content;
};

struct SampleApp {
  std::string pdsg;
  std::string name;
  double version = 1.0;
  int data_style = 0;  // eDataStyle bits
  std::vector<DataFileSpec> data_files;  // in DataSpecification order
  std::vector<PlainFile> plain_files;    // laid out in the Code folder
  std::vector<TagTableSpec> tag_tables;  // empty without tag support

  bool has_tags() const { return !tag_tables.empty(); }
  // pdsg + "App.mdb": the application database with the data-definition table.
  std::string AppDatabaseFile() const { return pdsg + "App.mdb"; }
  // pdsg + "Tag.ro": the tag database template projects copy as pdsg + "Tag.mdb".
  std::string TagTemplateFile() const { return pdsg + "Tag.ro"; }
  // Every file laid out in the Code folder, which is what ProgSpecification lists.
  std::vector<std::string> ProgramFiles() const;
};

// PMP10, LAY10, CAL10, in that order.
const std::vector<SampleApp>& SampleApps();

// The sample application with this designation (compared without regard to
// case), or null.
const SampleApp* FindSampleApp(std::string_view pdsg);

// The data files every project holds, registered under "XXXYY".
const std::vector<DataFileSpec>& SharedDataFiles();

}  // namespace pds::install
