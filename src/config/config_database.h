// The installation's configuration database (TVXxycfg.mdb): reading it once
// at startup into the startup fields and the process-wide lists (installed
// applications, shared and application data specifications, contact types),
// and the check that a database may be used by this version of the
// component, made against the configuration database and the user's
// projects database.
//
// Every routine reports its own failures to the user (critical icon, its own
// title) and answers false; none throws. A failed read leaves the lists as
// far as they got: each loader resets its own list before filling it, and
// data-specification entries read before a bad row stay. The databases are
// open only while a routine runs.
#pragma once

#include <string>
#include <vector>

#include "pds/db/db_helpers.h"
#include "config/process_state.h"
#include "config/startup_fields.h"

namespace pds {

// The whole configuration read (startup step 6): version check, Config,
// Installed, and, for an application with project support, its program files
// and both data-specification lists; then the contact types.
bool GetTVXConfigData(StartupFields& f);

// The final installation check (startup step 9): the user's projects
// database ("Prjxy" & user ID & ".mdb" in the environment folder) opened
// exclusive and read-only and its version checked. The handle is released.
bool CheckProjectsDatabase(StartupFields& f);

// Whether db asks for no newer component than the running one. Reports a
// database without version information or one needing a newer component
// under "Incompatible .DLL Version".
bool CheckDatabaseVersion(DbHandle& db);

// Company name, and brand and user-ID requirement from the first Config row.
// The brand is taken only when no brand step has run on f.
bool LoadConfigTable(StartupFields& f, DbHandle& db);
// The installed-applications list, and f's application name, version and
// data style from the entry whose designation matches f.pdsg without regard
// to case.
bool LoadInstalledTable(StartupFields& f, DbHandle& db);
// Every non-blank program file listed for f.pdsg must exist in f.app_exe_path.
bool LoadProgSpecificationTable(StartupFields& f, DbHandle& db);
// list = the DataSpecification rows of pdsg, in table order.
bool LoadDataSpecificationTable(DbHandle& db, std::vector<DataFileSpec>& list, const std::string& pdsg);
// The contact-types list; releases db whatever the outcome.
bool LoadContactTypesTable(DbHandle& db);

// The component's version as the database check and the module information
// see it: the build's numbers unless a test has overridden them.
struct ComponentVersion {
  long major = 0;
  long minor = 0;
  long revision = 0;
};
ComponentVersion RunningVersion();
void SetRunningVersionForTesting(long major, long minor, long revision);
void ResetRunningVersionForTesting();

// A number in the "##0.0" format: at least one integer digit, exactly one
// decimal, rounded half away from zero (2 -> "2.0", 0.25 -> "0.3"); a
// negative number that does not round to zero keeps its "-".
std::string FormatVersionNumber(double value);

}  // namespace pds
