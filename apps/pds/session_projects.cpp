// Session commands for the project life cycle and the configuration values:
// each calls the public operation of the same purpose with the component's
// own argument order and prints its result code and what changed.
#include <cstdio>
#include <string>
#include <vector>

#include "apps/pds/folder_answer.h"
#include "apps/pds/session.h"
#include "pds/TextTable.h"
#include "pds/clsMRUJobs.h"
#include "pds/clsProject.h"
#include "pds/clsProjects.h"

namespace pds::app {

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;
using Args = std::vector<std::string>;

Fields ProjectFields(clsProjectDataServer& server) {
  const ProjectRef& p = server.Project();
  if (!p) return {{"current project", "(none)"}};
  return {{"current project", p->JobName()},
          {"folder", p->JobPath().empty() ? "(not saved)" : p->JobPath()},
          {"job id", std::to_string(p->JobID())}};
}

bool ReportResult(Session& s, const std::string& command, int rc, Fields extra = {}) {
  Fields fields = ProjectFields(s.server());
  fields.insert(fields.end(), extra.begin(), extra.end());
  s.Report(command, ResultName(rc), fields);
  return rc == RETURN_OK;
}

const bool kNew = RegisterSessionCommand(
    {"new", "new", "Start a new untitled project (ProjectNew)",
     [](Session& s, const Args&) { return ReportResult(s, "new", s.server().ProjectNew()); }});

const bool kOpen = RegisterSessionCommand(
    {"open", "open [NAME]", "Open a project by name, or choose it in the select dialog (ProjectOpen)",
     [](Session& s, const Args& a) {
       return ReportResult(s, "open", s.server().ProjectOpen(a.empty() ? "" : a[0]));
     },
     0, 1});

const bool kSelect = RegisterSessionCommand(
    {"select", "select", "Choose a project in the select dialog without opening it (SelectProject)",
     [](Session& s, const Args&) {
       std::string name, path;
       std::int32_t id = 0;
       int rc = s.server().SelectProject(name, path, id);
       s.Report("select", ResultName(rc), {{"name", name}, {"folder", path}, {"job id", std::to_string(id)}});
       return rc == RETURN_OK;
     }});

const bool kSave = RegisterSessionCommand(
    {"save", "save", "Save the current project (ProjectSave)",
     [](Session& s, const Args&) { return ReportResult(s, "save", s.server().ProjectSave()); }});

const bool kSaveAs = RegisterSessionCommand(
    {"save-as", "save-as [FOLDER NAME]", "Save the current project under a new name and folder (ProjectSaveAs)",
     [](Session& s, const Args& a) {
       if (a.size() == 1) return s.UsageError("save-as", "give both the folder and the name, or neither");
       std::string folder = a.size() == 2 ? a[0] : "";
       std::string name = a.size() == 2 ? a[1] : "";
       return ReportResult(s, "save-as", s.server().ProjectSaveAs(folder, name));
     },
     0, 2});

const bool kClose = RegisterSessionCommand(
    {"close", "close", "Ask to save, then close the current project (CloseCurrentProject)",
     [](Session& s, const Args&) {
       int rc = s.server().PromptToSaveAndContinue();
       if (rc == RETURN_OK) rc = s.server().CloseCurrentProject() ? RETURN_OK : RETURN_ERROR;
       return ReportResult(s, "close", rc);
     }});

const bool kDelete = RegisterSessionCommand(
    {"delete", "delete [NAME] [--quiet]", "Delete this application's data from a project (ProjectDelete)",
     [](Session& s, const Args& a) {
       std::vector<std::string> names;
       bool quiet = false;
       if (!OneWordAndSwitch(s, "delete", a, "--quiet", &quiet, &names)) return false;
       return ReportResult(s, "delete", s.server().ProjectDelete(names.empty() ? "" : names[0], !quiet));
     },
     0, kAnyArgs});

const bool kArchive = RegisterSessionCommand(
    {"archive", "archive [FILE]",
     "Archive the current project into a .QVA file; without FILE the save-file dialog asks (ProjectArchive)",
     [](Session& s, const Args& a) {
       if (a.size() > 1) return s.UsageError("archive", ExtraWordProblem("archive", a, 1));
       std::string dest = a.empty() ? "" : a[0];
       const int rc = a.empty() ? s.server().ProjectArchive() : s.server().ProjectArchive(dest);
       Fields extra;
       if (!dest.empty()) extra.push_back({"archive", dest});
       return ReportResult(s, "archive", rc, extra);
     },
     0, kAnyArgs});

const bool kRetrieve = RegisterSessionCommand(
    {"retrieve", "retrieve [FILE] [--quiet]",
     "Take this application's data from an archive into the current project (ProjectRetrieve)",
     [](Session& s, const Args& a) {
       std::vector<std::string> files;
       bool quiet = false;
       if (!OneWordAndSwitch(s, "retrieve", a, "--quiet", &quiet, &files)) return false;
       const int rc = s.server().ProjectRetrieve(files.empty() ? "" : files[0], !quiet);
       const ProjectRef& p = s.server().Project();
       return ReportResult(s, "retrieve", rc,
                           {{"project dirty", p && p->ProjectDirty() ? "yes" : "no"},
                            {"application dirty", s.server().AppDirty() ? "yes" : "no"}});
     },
     0, kAnyArgs});

const bool kRetrievePrevious = RegisterSessionCommand(
    {"retrieve-previous", "retrieve-previous TRANSLATOR [FOLDER]",
     "Convert a project of the earlier generation through a translator program "
     "(ProjectRetrieveFromPreviousVersion)",
     [](Session& s, const Args& a) {
       int rc = RETURN_ERROR;
       if (a.size() == 2) {
         ScopedFolderAnswer answer(a[1]);
         rc = s.server().ProjectRetrieveFromPreviousVersion(a[0]);
       } else {
         rc = s.server().ProjectRetrieveFromPreviousVersion(a[0]);
       }
       const ProjectRef& p = s.server().Project();
       return ReportResult(s, "retrieve-previous", rc,
                           {{"project dirty", p && p->ProjectDirty() ? "yes" : "no"},
                            {"application dirty", s.server().AppDirty() ? "yes" : "no"}});
     },
     1, 2});

const bool kProperties = RegisterSessionCommand(
    {"properties", "properties", "Edit the current project's properties (ProjectProperties)",
     [](Session& s, const Args&) { return ReportResult(s, "properties", s.server().ProjectProperties()); }});

const bool kSet = RegisterSessionCommand(
    {"set", "set JOBFIELD VALUE",
     "Set a property of the current project: JobName, JobNumber, JobDate, ContactName, ContactType, "
     "SalesPerson, Notes, ProjectCategory",
     [](Session& s, const Args& a) {
       const ProjectRef& p = s.server().Project();
       if (!p) {
         s.Report("set", "RETURN_ERROR", {{"error", "no current project"}});
         return false;
       }
       const std::string& field = a[0];
       const std::string& value = a[1];
       if (field == "JobName") {
         p->SetJobName(value);
       } else if (field == "JobNumber") {
         p->SetJobNumber(value);
       } else if (field == "JobDate") {
         p->SetJobDate(value);
       } else if (field == "ContactName") {
         p->SetContactName(value);
       } else if (field == "ContactType") {
         p->SetContactType(value);
       } else if (field == "SalesPerson") {
         p->SetSalesPerson(value);
       } else if (field == "Notes") {
         p->SetNotes(value);
       } else if (field == "ProjectCategory") {
         p->SetProjectCategory(static_cast<std::int32_t>(std::atol(value.c_str())));
       } else {
         return s.UsageError("set", "unknown field '" + field + "'");
       }
       p->SetProjectDirty(true);
       s.Report("set", "RETURN_OK", {{field, value}, {"project dirty", "yes"}});
       return true;
     },
     2, 2});

const bool kProjects = RegisterSessionCommand(
    {"projects", "projects [--app PDSG]", "List the user's projects, or those of one application",
     [](Session& s, const Args& a) {
       std::string pdsg;
       if (a.size() == 2 && a[0] == "--app") {
         pdsg = a[1];
       } else if (!a.empty()) {
         return s.UsageError("projects", ExtraWordProblem("projects", a, 0));
       }
       clsProjects list;
       list.SetProjectDb(s.server().ProjectDb());
       TextTable table;
       int rc = list.GetProjects(table, pdsg);
       Fields rows;
       for (std::size_t r = 0; r < table.Rows(); ++r) {
         if (table.Get(r, 0).empty()) continue;
         rows.emplace_back(table.Get(r, 0), "id " + table.Get(r, 1) + "  " + table.Get(r, 2));
       }
       s.Report("projects", ResultName(rc), rows);
       return rc == RETURN_OK;
     },
     0, kAnyArgs});

const bool kMru = RegisterSessionCommand(
    {"mru", "mru", "Show the recently used projects, most recent first",
     [](Session& s, const Args&) {
       Fields rows;
       long position = 1;
       for (const clsMRUJob& job : s.server().MRUJobs()) {
         rows.emplace_back(std::to_string(position++), job.JobName() + " (id " + std::to_string(job.JobID()) + ")");
       }
       s.Report("mru", "RETURN_OK", rows);
       return true;
     }});

const bool kLock = RegisterSessionCommand(
    {"lock", "lock", "Lock the current project for every installed application (LockProject)",
     [](Session& s, const Args&) {
       bool ok = s.server().LockProject();
       return ReportResult(s, "lock", ok ? RETURN_OK : RETURN_ERROR);
     }});

const bool kConfig = RegisterSessionCommand(
    {"config", "config get KEY [PDSG] | config set KEY VALUE [PDSG]",
     "Read or write a user-wide configuration value (GetConfigValue, SetConfigValue)",
     [](Session& s, const Args& a) {
       if (a.size() >= 2 && a.size() <= 3 && a[0] == "get") {
         std::string value;
         std::int32_t found = s.server().GetConfigValue(a[1], value, "", a.size() == 3 ? a[2] : "");
         s.Report("config", found ? "FOUND" : "NOT_FOUND", {{a[1], value}});
         return true;
       }
       if (a.size() >= 3 && a.size() <= 4 && a[0] == "set") {
         std::int32_t written = s.server().SetConfigValue(a[1], a[2], a.size() == 4 ? a[3] : "");
         s.Report("config", written ? "WRITTEN" : "NOT_WRITTEN", {{a[1], a[2]}});
         return written != 0;
       }
       return s.UsageError("config", "expected get KEY [PDSG] or set KEY VALUE [PDSG]");
     },
     0, kAnyArgs});

const bool kProjConfig = RegisterSessionCommand(
    {"proj-config", "proj-config get KEY | set KEY VALUE | delete KEY",
     "Read, write or delete a value of the current project (GetProjConfigValue ...)",
     [](Session& s, const Args& a) {
       if (a.size() == 2 && a[0] == "get") {
         std::string value;
         std::int32_t found = s.server().GetProjConfigValue(a[1], value);
         s.Report("proj-config", found ? "FOUND" : "NOT_FOUND", {{a[1], value}});
         return true;
       }
       if (a.size() == 3 && a[0] == "set") {
         std::int32_t written = s.server().SetProjConfigValue("", a[1], a[2]);
         s.Report("proj-config", written ? "WRITTEN" : "NOT_WRITTEN", {{a[1], a[2]}});
         return written != 0;
       }
       if (a.size() == 2 && a[0] == "delete") {
         std::int32_t deleted = s.server().DeleteProjConfigValue(a[1]);
         s.Report("proj-config", deleted ? "DELETED" : "NOT_DELETED", {{"key", a[1]}});
         return deleted != 0;
       }
       return s.UsageError("proj-config", "expected get KEY, set KEY VALUE or delete KEY");
     },
     0, kAnyArgs});

}  // namespace
}  // namespace pds::app
