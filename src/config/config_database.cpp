#include "config/config_database.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "engine/sql_text.h"
#include "pds/PendingError.h"
#include "pds/Types.h"
#include "pds/UiHost.h"
#include "pds/Version.h"
#include "files/file_routines.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

std::optional<ComponentVersion>& VersionOverride() {
  static std::optional<ComponentVersion> value;
  return value;
}

constexpr const char* kProductName = "Orvane Program";
constexpr const char* kVersionTitle = "Incompatible .DLL Version";

std::string PleaseReinstall() { return std::string("Please reinstall ") + kProductName + "."; }

// The database behind a handle; a cleared handle fails like an unset object.
db::Database& Require(const DbHandle& db) {
  if (!db) Raise(91, "Object variable or With block variable not set");
  return *db;
}

RsHandle OpenDynaset(const DbHandle& db, const std::string& sql) {
  RsHandle rs = Require(db).OpenRecordset(sql, db::dbOpenDynaset);
  if (!rs) Raise(91, "Object variable or With block variable not set");
  return rs;
}

Variant Read(const RsHandle& rs, const char* field) { return GetFieldValue(rs->Fields(field)); }
std::string ReadText(const RsHandle& rs, const char* field) { return Read(rs, field).AsString(); }

bool IsEmptySet(const RsHandle& rs) { return rs->Bof() && rs->Eof(); }

// Runs one table's load with the record set it reads. load returns true when
// the table is sound, or false leaving in message what is wrong with it;
// anything raised becomes the pending error. A failure is reported under
// title with the message and the pending error, after the record set is
// closed.
template <class Load>
bool LoadTable(const char* title, Load&& load) {
  std::string message;
  RsHandle rs;
  ClearError();
  const bool loaded = GuardedQuiet(false, [&] { return load(rs, message); });
  CloseRecordset(rs);
  if (!loaded) ShowError(message, vbCritical, title);
  return loaded;
}

// The four-digit form the version check compares: "0000" & n, rightmost four.
std::string VersionKey(long major, long minor, long revision) {
  return ZeroPad(major, 4) + ZeroPad(minor, 4) + ZeroPad(revision, 4);
}

std::string VersionText(long major, long minor, long revision) {
  return InBrackets(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision));
}

}  // namespace

ComponentVersion RunningVersion() {
  if (VersionOverride()) return *VersionOverride();
  return ComponentVersion{kMajorVersion, kMinorVersion, kRevision};
}

void SetRunningVersionForTesting(long major, long minor, long revision) {
  VersionOverride() = ComponentVersion{major, minor, revision};
}

void ResetRunningVersionForTesting() { VersionOverride().reset(); }

std::string FormatVersionNumber(double value) {
  if (!std::isfinite(value)) return "0.0";
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e14) {
    // Too large for the tenths to fit an integer; no rounding question arises.
    char big[400];
    auto end = std::to_chars(big, big + sizeof big, value, std::chars_format::fixed, 1);
    return std::string(big, end.ptr);
  }
  // Ten times the value, read back through 15 significant digits, so that a
  // stored 0.15 (really 0.14999...) rounds as the decimal it was typed as.
  char buf[64];
  auto written = std::to_chars(buf, buf + sizeof buf, magnitude * 10.0, std::chars_format::general, 15);
  double tenths = magnitude * 10.0;
  std::from_chars(buf, written.ptr, tenths);
  const long long n = std::llround(tenths);  // half away from zero
  std::string text = std::to_string(n / 10) + "." + std::to_string(n % 10);
  if (value < 0 && n != 0) text.insert(0, "-");
  return text;
}

bool CheckDatabaseVersion(DbHandle& db) {
  // Each step runs with errors ignored: a Version table missing a field
  // still compares with that number as 0.
  ClearError();
  std::string file;
  TryStatement([&] { file = GetLastPathPart(Require(db).Name()); });
  RsHandle rs;
  if (!TryStatement([&] { rs = OpenDynaset(db, "SELECT * FROM Version"); })) {
    ShowError("", vbCritical, kVersionTitle);
    return false;
  }
  long major = 0;
  long minor = 0;
  long revision = 0;
  // The last row rules, so a database upgraded by appending a row asks for
  // the newest version. An empty table has no row to move to.
  if (!IsEmptySet(rs)) {
    TryStatement([&] { rs->MoveLast(); });
    TryStatement([&] { major = static_cast<long>(Read(rs, "lMinDLLMajorVersion").AsLong()); });
    TryStatement([&] { minor = static_cast<long>(Read(rs, "lMinDLLMinorVersion").AsLong()); });
    TryStatement([&] { revision = static_cast<long>(Read(rs, "lMinDLLRevision").AsLong()); });
  }
  CloseRecordset(rs);

  const std::string required = VersionKey(major, minor, revision);
  const ComponentVersion running = RunningVersion();
  const std::string current = VersionKey(running.major, running.minor, running.revision);

  if (std::all_of(required.begin(), required.end(), [](char c) { return c == '0'; })) {
    ShowError("Database file " + InSingleQuotes(file) + " is missing version information for the Orvane DLL.  " +
                  ContactSupportText() + LineBreaks(2) + "Version:  " + VersionText(major, minor, revision),
              vbCritical, kVersionTitle);
    return false;
  }
  // The padded texts compare as the numbers do, field by field.
  if (current >= required) {
    ClearError();
    return true;
  }
  ShowError("Database file " + InSingleQuotes(file) + " is incompatible with the Orvane DLL." + LineBreaks(2) +
                "Required .DLL version (or greater):  " + VersionText(major, minor, revision) + LineBreaks(0) +
                "Currently running .DLL version:  " + VersionText(running.major, running.minor, running.revision),
            vbCritical, kVersionTitle);
  return false;
}

bool LoadConfigTable(StartupFields& f, DbHandle& db) {
  return LoadTable("LoadConfigTable()", [&](RsHandle& rs, std::string& message) -> bool {
    rs = OpenDynaset(db, "SELECT * FROM Config");
    if (IsEmptySet(rs)) {
      CloseRecordset(rs);
      return true;
    }
    rs->MoveFirst();
    f.company_name = ReadText(rs, "sCompanyName");
    // Null tests read the raw value: the safe reader would turn Null into 0 or False.
    if (!(f.brand_run || f.brand_set)) {
      if (rs->Fields("nBrand").Value().IsNull()) {
        message = "Error:  Database field [nBrand] has not been set.  ";
      } else {
        f.brand = static_cast<std::int32_t>(Read(rs, "nBrand").AsLong());
      }
    }
    if (message.empty()) {
      if (rs->Fields("bUserIdRequired").Value().IsNull()) {
        message = "Error:  Database field [bUserIdRequired] has not been set.  ";
      } else {
        f.user_id_required = Read(rs, "bUserIdRequired").AsBool();
        CloseRecordset(rs);
        return true;
      }
    }
    message += PleaseReinstall();
    return false;
  });
}

bool LoadInstalledTable(StartupFields& f, DbHandle& db) {
  return LoadTable("LoadInstalledTable()", [&](RsHandle& rs, std::string& message) -> bool {
    auto& apps = Shared().installed_apps;
    apps.clear();
    rs = OpenDynaset(db, "SELECT * FROM Installed");
    if (IsEmptySet(rs)) {
      message = std::string("ERROR:  There are no applications registered with ") + kProductName + "." +
                LineBreaks(2) + ContactSupportText();
    } else {
      rs->MoveLast();
      if (rs->RecordCount() < 1) {
        message = "Error:  [Application Name] has not been set.  " + PleaseReinstall();
      } else {
        rs->MoveFirst();
        while (!rs->Eof()) {
          InstalledApp app;
          app.Pdsg = ReadText(rs, "sPdsg");
          app.Name = ReadText(rs, "sName");
          app.Version = FormatVersionNumber(Read(rs, "fVersion").AsDouble());
          app.DataStyle = static_cast<std::int16_t>(Read(rs, "nDataStyle").AsLong());
          apps.push_back(std::move(app));
          rs->MoveNext();
        }
        CloseRecordset(rs);
        for (const InstalledApp& app : apps) {
          if (EqualsNoCase(app.Pdsg, f.pdsg)) {
            f.app_name = app.Name;
            f.app_version = app.Version;
            f.app_data_style = app.DataStyle;
            return true;
          }
        }
        message = "This application " + InParens(f.pdsg) + " is not registered with " + kProductName + "." +
                  LineBreaks(2) + ContactSupportText();
      }
    }
    return false;
  });
}

bool LoadProgSpecificationTable(StartupFields& f, DbHandle& db) {
  return LoadTable("LoadProgSpecificationTable()", [&](RsHandle& rs, std::string& message) -> bool {
    rs = OpenDynaset(db, "SELECT * FROM ProgSpecification WHERE sPdsg = " + SqlTextLiteral(Trim(f.pdsg)));
    if (!IsEmptySet(rs)) rs->MoveFirst();
    while (!rs->Eof()) {
      const std::string file = ReadText(rs, "sFileName");
      if (!Trim(file).empty()) {
        const std::string path = f.app_exe_path + "/" + file;
        if (!FileExists(path)) {
          message = "A required application file was not found." + LineBreaks(0) + InBrackets(path) +
                    LineBreaks(1) + ContactSupportText();
          break;
        }
      }
      rs->MoveNext();
    }
    if (message.empty()) {
      CloseRecordset(rs);
      return true;
    }
    return false;
  });
}

bool LoadDataSpecificationTable(DbHandle& db, std::vector<DataFileSpec>& list, const std::string& pdsg) {
  return LoadTable("LoadDataSpecificationTable()", [&](RsHandle& rs, std::string& message) -> bool {
    list.clear();
    rs = OpenDynaset(db, "SELECT * FROM DataSpecification WHERE sPdsg = " + SqlTextLiteral(Trim(pdsg)));
    if (IsEmptySet(rs)) {
      CloseRecordset(rs);
      return true;
    }
    rs->MoveFirst();
    bool valid = true;
    while (valid && !rs->Eof()) {
      DataFileSpec spec;
      spec.FileName = ReadText(rs, "sFileName");
      spec.RequiredFlag = Read(rs, "bRequiredFlag").AsBool();
      spec.VerifyFlag = Read(rs, "bVerifyFlag").AsBool();
      spec.ArchiveFlag = Read(rs, "bArchiveFlag").AsBool();
      spec.EraseFlag = Read(rs, "bEraseFlag").AsBool();
      const std::int64_t method = Read(rs, "nCreateMethod").AsLong();
      spec.SourceFileName = ReadText(rs, "sSourceFileName");
      valid = !Trim(spec.FileName).empty() && method >= 0 && method <= 2;
      if (valid) {
        spec.CreateMethod = static_cast<std::int16_t>(method);
        // Methods 1 and 2 make the file from its source; method 0 needs none,
        // but a source it names is kept for the project file.
        if (method != 0) valid = !Trim(spec.SourceFileName).empty();
      }
      if (valid) {
        list.push_back(std::move(spec));
        rs->MoveNext();
      }
    }
    if (valid) {
      CloseRecordset(rs);
      return true;
    }
    message = std::string("Data missing from DataSpecification table.  ") + "Please reinstall application software.";
    return false;
  });
}

bool LoadContactTypesTable(DbHandle& db) {
  RsHandle rs;
  bool ok = false;
  if (!TryStatement([&] {
    auto& types = Shared().contact_types;
    types.clear();
    // A failed open was reported by CreateRecordset.
    if (CreateRecordset(db, rs, "SELECT *  FROM ContactTypes", db::dbOpenDynaset)) {
      long count = 0;
      if (!IsEmptySet(rs)) {
        rs->MoveLast();
        count = rs->RecordCount();
      }
      if (count > 0) {
        // One slot per row; blank names are skipped, so the slots they would
        // have filled stay empty at the end.
        types.assign(static_cast<std::size_t>(count), std::string());
        std::size_t next = 0;
        rs->MoveFirst();
        while (!rs->Eof() && next < types.size()) {
          std::string name = Trim(ReadText(rs, "sContactTypeName"));
          if (!name.empty()) types[next++] = std::move(name);
          rs->MoveNext();
        }
      }
      ok = true;
    }
  })) {
    ShowError("", vbCritical, "LoadContactTypesTable()");
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return ok;
}

bool GetTVXConfigData(StartupFields& f) {
  std::string message;
  DbHandle db;
  try {
    ClearError();
    const std::string path = f.ConfigDbPath();
    if (!FileExists(path)) {
      message = "Configuration database file was not found." + LineBreaks(0) + InBrackets(path) + LineBreaks(2) +
                ContactSupportText();
    } else if (OpenDb(db, path, true, true) && CheckDatabaseVersion(db) && LoadConfigTable(f, db) &&
               LoadInstalledTable(f, db)) {
      ProcessState& shared = Shared();
      shared.shared_data_specs.clear();
      shared.app_data_specs.clear();
      const bool specs_ok = (f.app_data_style & PROJECT_SUPPORT) == 0 ||
                            (LoadProgSpecificationTable(f, db) &&
                             LoadDataSpecificationTable(db, shared.shared_data_specs, kSharedPdsg) &&
                             LoadDataSpecificationTable(db, shared.app_data_specs, f.pdsg));
      if (specs_ok && LoadContactTypesTable(db)) return true;
    }
  } catch (...) {
    CatchToPending();
  }
  // A routine that failed has shown its own message; an open that failed
  // silently left its error pending, which this report shows.
  CloseDatabase(db);
  ShowError(message, vbCritical, "GetTVXConfigData()");
  return false;
}

bool CheckProjectsDatabase(StartupFields& f) {
  DbHandle db;
  bool ok = false;
  if (!TryStatement([&] {
    ClearError();
    const std::string path = f.enviro_path + "/Prjxy" + f.tvx_user_id + ".mdb";
    if (OpenDb(db, path, true, true)) {
      ok = CheckDatabaseVersion(db);
    } else {
      // The open fails silently; say why startup cannot go on.
      ShowError("", vbCritical, "CheckProjectsDatabase()");
    }
  })) {
    ShowError("", vbCritical, "CheckProjectsDatabase()");
  }
  CloseDatabase(db);
  return ok;
}

}  // namespace pds
