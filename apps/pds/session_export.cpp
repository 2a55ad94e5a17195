// Session commands for publishing tag data into the current project's
// database: `export FILE [--keep]` reads an export set from a JSON file (see
// export_json.h) and writes it with ExportTagData; `export-clear [PDSG]`
// removes an application's published rows with ClearExportTagData.
#include <string>
#include <vector>

#include "apps/pds/command_reader.h"
#include "apps/pds/export_json.h"
#include "apps/pds/session.h"
#include "pds/clsExportTags.h"
#include "pds/clsProject.h"

namespace pds::app {

namespace {

using Args = std::vector<std::string>;

std::string ProjectFolder(clsProjectDataServer& server) {
  const ProjectRef& p = server.Project();
  if (!p) return "(none)";
  return p->JobPath().empty() ? "(not saved)" : p->JobPath();
}

bool RunExport(Session& s, const Args& a) {
  std::vector<std::string> files;
  bool keep = false;
  if (!OneWordAndSwitch(s, "export", a, "--keep", &keep, &files)) return false;
  if (files.empty()) return s.UsageError("export", "missing FILE");

  // The whole file is read and checked before anything is written, so a
  // mistake in it never leaves half an export behind.
  std::string text, error;
  clsExportTags tags;
  if (!ReadTextFile(files[0], kMaxExportFile, &text, &error) ||
      !ReadExportSet(text, s.server().Pdsg(), tags, &error)) {
    s.Report("export", "REFUSED", {{"file", files[0]}, {"error", error}});
    return false;
  }
  long items = 0;
  for (const ExportTagRef& tag : tags) items += tag->ItemCount();
  const bool ok = s.server().ExportTagData(&tags, "", nullptr, !keep);
  s.Report("export", ok ? "EXPORTED" : "NOT_EXPORTED",
           {{"file", files[0]},
            {"tags", std::to_string(tags.Count())},
            {"items", std::to_string(items)},
            {"cleared first", keep ? "no" : "yes"},
            {"folder", ProjectFolder(s.server())}});
  return ok;
}

const bool kExport = RegisterSessionCommand(
    {"export", "export FILE [--keep]",
     "Publish tag data from a JSON file into the current project's TagIndex and TagData (ExportTagData)", RunExport,
     1, 2});

const bool kExportClear = RegisterSessionCommand(
    {"export-clear", "export-clear [PDSG]",
     "Remove an application's published tag data from the current project and compact it (ClearExportTagData)",
     [](Session& s, const Args& a) {
       const std::string designation = a.empty() ? "" : a[0];
       const bool ok = s.server().ClearExportTagData(designation);
       s.Report("export-clear", ok ? "CLEARED" : "NOT_CLEARED",
                {{"designation", designation.empty() ? s.server().Pdsg() : designation},
                 {"folder", ProjectFolder(s.server())}});
       return ok;
     },
     0, 1});

}  // namespace
}  // namespace pds::app
