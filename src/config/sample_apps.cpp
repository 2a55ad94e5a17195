#include "config/sample_apps.h"

#include <cstdio>

#include "pds/db/dao_constants.h"
#include "ui/messages.h"

namespace pds::install {

using namespace pds::db;
using schema::FieldSchema;

namespace {

// Unit classes of the numeric fields (DataDef "Unit").
enum Unit : long { kNoUnit = 0, kFlow = 1, kLength = 2, kPower = 3, kTemperature = 4, kVoltage = 5 };

TagField Text(std::string name, std::string friendly, std::string def, std::string group) {
  return {{std::move(name), dbText, 50, schema::kZeroLength}, std::move(friendly), std::move(def), "", "", "", "",
          kNoUnit, 0, std::move(group)};
}

TagField Double(std::string name, std::string friendly, std::string def, std::string min, std::string max, long unit,
                std::string group) {
  return {{std::move(name), dbDouble, 0, schema::kPlain}, std::move(friendly), std::move(def), std::move(min),
          std::move(max), "##0.0", "##0.0", unit, 0, std::move(group)};
}

TagField Long(std::string name, std::string friendly, std::string def, std::string min, std::string max,
              std::string group) {
  return {{std::move(name), dbLong, 0, schema::kPlain}, std::move(friendly), std::move(def), std::move(min),
          std::move(max), "0", "0", kNoUnit, 0, std::move(group)};
}

TagField Flag(std::string name, std::string friendly, std::string group) {
  return {{std::move(name), dbBoolean, 0, schema::kPlain}, std::move(friendly), "False", "", "", "Yes/No", "Yes/No",
          kNoUnit, 0, std::move(group)};
}

// A date field's default is not used: a new tag's dates are its creation time.
TagField Date(std::string name, std::string friendly, std::string group) {
  return {{std::move(name), dbDate, 0, schema::kPlain}, std::move(friendly), "", "", "", "General Date",
          "General Date", kNoUnit, 0, std::move(group)};
}

// The definitions of lTagId, TagName and lOrder: never displayed except the name.
std::vector<TagField> BaseFields() {
  std::vector<FieldSchema> base = schema::TagTableBaseFields();
  return {
      {base[0], "Tag ID", "0", "", "", "0", "0", kNoUnit, 1, "System"},
      {base[1], "Tag Name", "", "", "", "", "", kNoUnit, 0, "System"},
      {base[2], "Display Order", "0", "", "", "0", "0", kNoUnit, 1, "System"},
  };
}

// The pump tag type: a few named fields, then numbered parameters of every
// kind until the table has 300 fields, so that a new tag's defaults take more
// than one batch of the default-value update.
TagTableSpec PumpTable() {
  TagTableSpec t{"TagData", BaseFields()};
  std::vector<TagField> named = {
      Text("sService", "Service", "Cooling water", "General"),
      Text("sManufacturer", "Manufacturer", "TBD", "General"),
      Text("sModel", "Model", "TBD", "General"),
      Text("sPumpType", "Pump Type", "Centrifugal", "General"),
      Text("sFluid", "Fluid", "Water", "Hydraulics"),
      Text("sSealType", "Seal Type", "Mechanical", "Mechanical"),
      Double("fFlowRate", "Flow Rate", "100.0", "0", "100000", kFlow, "Hydraulics"),
      Double("fHead", "Total Head", "30.0", "0", "5000", kLength, "Hydraulics"),
      Double("fEfficiency", "Efficiency", "75.0", "0", "100", kNoUnit, "Hydraulics"),
      Double("fPower", "Absorbed Power", "11.0", "0", "100000", kPower, "Electrical"),
      Double("fNpshRequired", "NPSH Required", "3.0", "0", "100", kLength, "Hydraulics"),
      Double("fSpecificGravity", "Specific Gravity", "1.0", "0.1", "5", kNoUnit, "Hydraulics"),
      Double("fTemperature", "Fluid Temperature", "20.0", "-50", "400", kTemperature, "Hydraulics"),
      Long("lSpeed", "Speed", "1450", "0", "10000", "Mechanical"),
      Long("lStages", "Stages", "1", "1", "20", "Mechanical"),
      Long("lQuantity", "Quantity", "1", "1", "100", "General"),
      Flag("bVariableSpeed", "Variable Speed", "Electrical"),
      Flag("bStandby", "Standby Unit", "General"),
      Date("vDateRequired", "Date Required", "General"),
      Date("vLastCalculated", "Last Calculated", "General"),
  };
  for (TagField& f : named) t.fields.push_back(std::move(f));

  static const char* const kGroups[] = {"General", "Hydraulics", "Mechanical", "Electrical", "Notes"};
  for (int n = 1; t.fields.size() < 300; ++n) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", n);
    std::string group = kGroups[(n / 5) % 5];
    std::string friendly = std::string("Parameter ") + number;
    std::string suffix = std::string("Param") + number;
    switch (n % 5) {
      case 0: t.fields.push_back(Text("s" + suffix, friendly, "N/A", group)); break;
      case 1: t.fields.push_back(Long("l" + suffix, friendly, std::to_string(n), "0", "100000", group)); break;
      case 2:
        t.fields.push_back(Double("f" + suffix, friendly, std::to_string(n) + ".5", "0", "100000", n % 6, group));
        break;
      case 3: t.fields.push_back(Flag("b" + suffix, friendly, group)); break;
      default: t.fields.push_back(Date("v" + suffix, friendly, group)); break;
    }
  }
  return t;
}

TagTableSpec MotorTable() {
  TagTableSpec t{"Motor", BaseFields()};
  std::vector<TagField> named = {
      Text("sFrame", "Frame Size", "IEC 160M", "Mechanical"),
      Double("fRatedPower", "Rated Power", "11.0", "0", "100000", kPower, "Electrical"),
      Long("lPoles", "Poles", "4", "2", "16", "Electrical"),
      Double("fVoltage", "Voltage", "400.0", "0", "15000", kVoltage, "Electrical"),
      Flag("bExplosionProof", "Explosion Proof", "Electrical"),
      Date("vInspected", "Last Inspected", "General"),
  };
  for (TagField& f : named) t.fields.push_back(std::move(f));
  return t;
}

std::vector<SampleApp> MakeSampleApps() {
  SampleApp pump;
  pump.pdsg = "PMP10";
  pump.name = "Pump Designer";
  pump.version = 1.0;
  pump.data_style = 6;
  pump.data_files = {
      // file            required verify archive erase method source
      {"PMP10Tag.mdb", true, true, true, true, 1, "PMP10Tag.ro"},
      {"PMP10Crv.dat", true, false, true, true, 1, "PMP10Crv.ro"},
      // Calculation logs the application writes itself: erased, never archived.
      {"PMP10*.log", false, false, false, true, 0, ""},
  };
  pump.plain_files = {{"PMP10Crv.ro", "[Curves]\r\nCount=0\r\n"}};
  pump.tag_tables = {PumpTable(), MotorTable()};

  SampleApp layout;
  layout.pdsg = "LAY10";
  layout.name = "Layout Planner";
  layout.version = 1.0;
  layout.data_style = 2;
  layout.data_files = {
      {"LAY10Lay.dat", true, true, true, true, 1, "LAY10Lay.ro"},
      // The symbol library is made by the application from its template on
      // first use, not by the component; until then a project has none, so it
      // is not required (a required file that is missing fails every save).
      {"LAY10Sym.dat", false, false, true, true, 2, "LAY10Sym.ro"},
  };
  layout.plain_files = {
      {"LAY10Lay.ro", "[Layout]\r\nSheets=1\r\n"},
      {"LAY10Sym.ro", "[Symbols]\r\nCount=0\r\n"},
  };

  SampleApp calc;
  calc.pdsg = "CAL10";
  calc.name = "Unit Calculator";
  calc.version = 1.0;
  calc.data_style = 0;
  calc.plain_files = {{"CAL10Units.dat", "[Length]\r\nm=1\r\nft=0.3048\r\n"}};

  return {pump, layout, calc};
}

}  // namespace

schema::TableSchema TagTableSpec::Schema() const {
  std::vector<FieldSchema> app_fields;
  std::size_t base = schema::TagTableBaseFields().size();
  for (std::size_t i = base; i < fields.size(); ++i) app_fields.push_back(fields[i].field);
  return schema::TagTable(name, std::move(app_fields));
}

std::vector<std::string> SampleApp::ProgramFiles() const {
  std::vector<std::string> files;
  if (has_tags()) {
    files.push_back(AppDatabaseFile());
    files.push_back(TagTemplateFile());
  }
  for (const PlainFile& f : plain_files) files.push_back(f.name);
  return files;
}

const std::vector<SampleApp>& SampleApps() {
  static const std::vector<SampleApp> apps = MakeSampleApps();
  return apps;
}

const SampleApp* FindSampleApp(std::string_view pdsg) {
  for (const SampleApp& app : SampleApps()) {
    if (EqualsNoCase(app.pdsg, std::string(pdsg))) return &app;
  }
  return nullptr;
}

const std::vector<DataFileSpec>& SharedDataFiles() {
  // The project database is created from the environment's template by the
  // component itself, not copied from an application's folder.
  static const std::vector<DataFileSpec> files = {
      {"Project.mdb", true, true, true, true, 0, "Project.ro"},
  };
  return files;
}

}  // namespace pds::install
