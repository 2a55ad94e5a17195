// The steps of `pds demo`. Each calls public operations of the service
// objects as an application would and then checks, through the objects and
// on disk, what the operation promises; a step that finds something else
// says what it expected. A step does not assume that earlier steps
// succeeded: it checks what it needs and fails with the reason.
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "apps/pds/demo.h"
#include "apps/pds/session.h"
#include "pds/db/database.h"
#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/ArchiveInfo.h"
#include "pds/ProjectCheck.h"
#include "pds/Text.h"
#include "pds/PendingError.h"
#include "pds/clsDataDef.h"
#include "pds/clsProject.h"
#include "pds/clsProjects.h"
#include "pds/clsUnitTags.h"

namespace pds::app {

namespace {

constexpr const char* kProjectName = "Demo Plant";
constexpr const char* kTagType = "TagData";
constexpr const char* kJobNumber = "J-100";
constexpr const char* kNotes = "Cooling water pumps for unit 100";

std::string Code(int rc) { return ResultName(rc); }

bool HasTag(clsProjectDataServer& server, const std::string& name) {
  return server.UnitTags().Item(name) != nullptr;
}

// "a, b, c".
std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::string TagNames(clsProjectDataServer& server) {
  std::vector<std::string> names;
  for (const auto& tag : server.UnitTags()) names.push_back(tag->Name());
  return names.empty() ? "(none)" : Joined(names);
}

// Narrates a call's result code; fails the step unless it is RETURN_OK.
bool Answered(StepResult& r, const std::string& call, int rc) {
  r.Detail(call + ": " + Code(rc));
  return r.Expect(rc == RETURN_OK, call + " answered " + Code(rc));
}

bool SameNumber(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return a == b;
  char* end_a = nullptr;
  char* end_b = nullptr;
  double x = std::strtod(a.c_str(), &end_a);
  double y = std::strtod(b.c_str(), &end_b);
  return *end_a == '\0' && *end_b == '\0' && x == y;
}

}  // namespace

DemoRun::DemoRun(std::string root, DemoHost& host) : root_(std::move(root)), host_(host) {}

DemoRun::~DemoRun() {
  CloseRecordset(rs_tag_);
  layout_.reset();
  pump_.reset();
}

std::vector<DemoRun::Step> DemoRun::Steps() {
  auto step = [this](std::string what, void (DemoRun::*fn)(StepResult&)) {
    return Step{std::move(what), [this, fn](StepResult& r) { (this->*fn)(r); }};
  };
  return {
      step("install an installation with PMP10, LAY10 and CAL10", &DemoRun::Install),
      step("PMP10 starts (PDSInitialize)", &DemoRun::PumpStarts),
      step("PMP10 starts a new project (ProjectNew)", &DemoRun::PumpNewProject),
      step("PMP10 creates tag P-101 with default values (NewTag)", &DemoRun::PumpNewTag),
      step("PMP10 copies P-101 (CopyTag)", &DemoRun::PumpCopyTag),
      step("PMP10 renames P-101(1) to P-102 (RenameTag)", &DemoRun::PumpRenameTag),
      step("PMP10 deletes P-102 (DeleteTag)", &DemoRun::PumpDeleteTag),
      step("PMP10 saves the project as \"Demo Plant\" (ProjectSaveAs)", &DemoRun::PumpSaveAs),
      step("PMP10 sets the project's properties and saves (ProjectSave)", &DemoRun::PumpProperties),
      step("PMP10 closes the project (PromptToSaveAndContinue, CloseCurrentProject)", &DemoRun::PumpClose),
      step("PMP10 reopens \"Demo Plant\" by name (ProjectOpen)", &DemoRun::PumpReopen),
      step("PMP10 archives \"Demo Plant\" into the Archives folder (ProjectArchive)", &DemoRun::PumpArchives),
      step("PMP10 converts the earlier-generation project \"Demo Plant 1998\" through pds-translate into a new "
           "project (ProjectNew, ProjectRetrieveFromPreviousVersion)",
           &DemoRun::PumpConvertsPrevious),
      step("PMP10 exits (ExitProgram)", &DemoRun::PumpExits),
      step("LAY10 starts and opens \"Demo Plant\" (PDSInitialize, ProjectOpen)", &DemoRun::LayoutStartsAndOpens),
      step("LAY10 saves, registering its data (ProjectSave)", &DemoRun::LayoutSaves),
      step("a second LAY10 session is refused (PDSInitialize, ProjectOpen)", &DemoRun::SecondLayoutRefused),
      step("LAY10 archives \"Demo Plant\" with its own data (ProjectArchive)", &DemoRun::LayoutArchives),
      step("LAY10 deletes its data, messages off (ProjectDelete)", &DemoRun::LayoutDeletesItsData),
      step("LAY10 retrieves its data from its archive into a new project (ProjectNew, ProjectRetrieve)",
           &DemoRun::LayoutRetrieves),
      step("LAY10 exits (ExitProgram)", &DemoRun::LayoutExits),
      step("every listed project passes the check, nothing changed (pds check --root)", &DemoRun::EveryProjectChecks),
  };
}

StepResult DemoRun::RunStep(const Step& step) {
  StepResult r;
  try {
    step.run(r);
  } catch (const RuntimeError& e) {
    r.Expect(false, "error " + std::to_string(e.number()) + ": " + e.description());
  } catch (const std::exception& e) {
    r.Expect(false, e.what());
  }
  ClearError();
  r.messages = host_.TakeShown();
  return r;
}

std::vector<std::string> DemoRun::ProjectApps(clsProjectDataServer& server) {
  clsProjects projects;
  projects.SetProjectDb(server.ProjectDb());
  TextTable apps;
  std::vector<std::string> designations;
  if (projects.GetAppsWithProjData(kProjectName, apps) == RETURN_OK) {
    for (std::size_t row = 0; row < apps.Rows(); ++row) {
      if (!apps.Get(row, 0).empty()) designations.push_back(UCase(apps.Get(row, 0)));
    }
  }
  return designations;
}

bool DemoRun::Running(StepResult& r, const std::unique_ptr<clsProjectDataServer>& server, const std::string& pdsg) {
  return r.Expect(server != nullptr, pdsg + " is not running (an earlier step failed)");
}

void DemoRun::Install(StepResult& r) {
  install::InstallOptions options;
  options.root = root_;
  std::string error;
  bool built = install::BuildInstallation(options, &error, &installation_);
  if (!r.Expect(built, "the installation failed: " + error)) return;
  temp_folder_.Set(installation_.temp + "/");
  project_folder_ = installation_.tvxii + "/Projects/" + kProjectName;
  r.Detail("installation: " + installation_.tvxii);
  for (const std::string& pdsg : installation_.apps) r.Detail(pdsg + ": " + installation_.CodePath(pdsg));
}

std::unique_ptr<clsProjectDataServer> DemoRun::Start(StepResult& r, const std::string& pdsg, const std::string& call) {
  if (!r.Expect(!installation_.tvxii.empty(), "there is no installation (an earlier step failed)")) return nullptr;
  auto server = std::make_unique<clsProjectDataServer>();
  if (!Answered(r, call, server->PDSInitialize(installation_.CodePath(pdsg), pdsg, ""))) return nullptr;
  return server;
}

void DemoRun::Exit(StepResult& r, std::unique_ptr<clsProjectDataServer>& server, const std::string& call) {
  Answered(r, call, server->ExitProgram());
  server.reset();
}

bool DemoRun::ArchiveAndRead(StepResult& r, clsProjectDataServer& server, std::string dest, ArchiveInfo* info) {
  if (!Answered(r, "ProjectArchive", server.ProjectArchive(dest))) return false;
  r.Detail("archive: " + dest);
  std::string error;
  if (!r.Expect(ReadArchiveInfo(dest, info, &error), "the archive cannot be read: " + error)) return false;
  r.Detail("entries: " + Joined(info->entries));
  return true;
}

void DemoRun::PumpStarts(StepResult& r) {
  pump_ = Start(r, "PMP10", "PDSInitialize");
  if (!pump_) return;
  r.Detail("application: " + pump_->AppName() + " " + pump_->AppVersion() + ", user ID " + pump_->TVXUserId());
  r.Detail("projects database: " + pump_->ProjectDb());
  // A user without projects gets an untitled one at the first start.
  const ProjectRef& project = pump_->Project();
  if (r.Expect(project != nullptr, "no current project after the first start")) {
    r.Detail("current project: " + project->JobName() + " (not saved)");
  }
}

void DemoRun::PumpNewProject(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  int rc = pump_->ProjectNew();
  if (!Answered(r, "ProjectNew", rc)) return;
  const ProjectRef& project = pump_->Project();
  if (!r.Expect(project != nullptr, "no current project after ProjectNew")) return;
  r.Expect(project->JobName() == "Untitled", "the new project is named " + project->JobName());
  r.Expect(project->JobPath().empty(), "the new project already has a folder");
  r.Expect(!project->ProjectDirty(), "the new project is marked changed");
  r.Detail("working folder: " + project->WorkingJobPath());
  r.Detail("tags: " + TagNames(*pump_));
  r.Expect(HasTag(*pump_, "Untitled1"), "the first tag is not Untitled1 (tags: " + TagNames(*pump_) + ")");
}

void DemoRun::PumpNewTag(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  std::string type = kTagType;
  std::string name = "P-101";
  int rc = pump_->NewTag(type, name, rs_tag_, true);
  if (!Answered(r, "NewTag", rc)) return;
  if (!r.Expect(rs_tag_ && rs_tag_->IsOpen() && !rs_tag_->Eof(), "the tag record set holds no row")) return;
  r.Expect(rs_tag_->Fields("TagName").Value().AsString() == "P-101", "the record set is not on P-101");
  r.Expect(HasTag(*pump_, "P-101"), "P-101 is not among the tags (" + TagNames(*pump_) + ")");
  int count = rs_tag_->Fields().Count();
  r.Detail("fields of the tag: " + std::to_string(count));
  r.Expect(count == 300, "the tag has " + std::to_string(count) + " fields, not 300");
  // A few of the defaults, with the names the data definitions give them.
  for (const char* field : {"sService", "sPumpType", "fFlowRate", "fHead", "lSpeed", "lParam001"}) {
    std::string value = rs_tag_->Fields(field).Value().AsString();
    clsDataDef& definition = pump_->DataDef(field, kTagType);
    if (!r.Expect(EqualsNoCase(definition.Field(), field), std::string("no data definition for ") + field)) continue;
    r.Detail(definition.FriendlyName() + " (" + field + "): " + value);
    bool text = field[0] == 's';
    r.Expect(text ? value == definition.Default() : SameNumber(value, definition.Default()),
             std::string(field) + " holds " + value + ", its default is " + definition.Default());
  }
}

void DemoRun::PumpCopyTag(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  std::string type = kTagType;
  std::string name = "P-101";
  std::string copy;  // no name: the component numbers the copy
  int rc = pump_->CopyTag(type, name, copy, rs_tag_, true);
  if (!Answered(r, "CopyTag", rc)) return;
  r.Detail("tags: " + TagNames(*pump_));
  if (!r.Expect(HasTag(*pump_, "P-101(1)"), "there is no tag P-101(1)")) return;
  if (!r.Expect(rs_tag_ && !rs_tag_->Eof(), "the tag record set holds no row")) return;
  r.Expect(rs_tag_->Fields("TagName").Value().AsString() == "P-101(1)", "the record set is not on the copy");
  std::string service = rs_tag_->Fields("sService").Value().AsString();
  r.Detail("Service of the copy: " + service);
  r.Expect(service == pump_->DataDef("sService", kTagType).Default(), "the copy's Service differs from P-101's");
}

void DemoRun::PumpRenameTag(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  std::string type = kTagType;
  std::string name = "P-101(1)";
  std::string new_name = "P-102";
  int rc = pump_->RenameTag(type, name, new_name, rs_tag_, true);
  if (!Answered(r, "RenameTag", rc)) return;
  r.Detail("tags: " + TagNames(*pump_));
  r.Expect(HasTag(*pump_, "P-102"), "there is no tag P-102");
  r.Expect(!HasTag(*pump_, "P-101(1)"), "P-101(1) is still there");
}

void DemoRun::PumpDeleteTag(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  // The record set is on the tag about to go.
  CloseRecordset(rs_tag_);
  std::string type = kTagType;
  std::string name = "P-102";
  int rc = pump_->DeleteTag(type, name, true);
  if (!Answered(r, "DeleteTag", rc)) return;
  r.Detail("tags: " + TagNames(*pump_));
  r.Expect(!HasTag(*pump_, "P-102"), "P-102 is still there");
  rc = pump_->DeleteTag(type, name, false);
  r.Detail("DeleteTag again, messages off: " + Code(rc));
  r.Expect(rc == pump_->RETURN_NO_TAGS(), "deleting P-102 again answered " + Code(rc));
}

void DemoRun::PumpSaveAs(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  // Save as wants an existing, empty folder.
  (void)host::CreateFolders(project_folder_);
  std::string folder = project_folder_;
  std::string name = kProjectName;
  int rc = pump_->ProjectSaveAs(folder, name);
  if (!Answered(r, "ProjectSaveAs", rc)) return;
  const ProjectRef& project = pump_->Project();
  if (!r.Expect(project != nullptr, "no current project after the save")) return;
  r.Expect(project->JobName() == kProjectName, "the current project is " + project->JobName());
  r.Expect(project->JobPath() == project_folder_, "the project's folder is " + project->JobPath());
  r.Expect(project->JobID() > 0, "the project has no job id");
  r.Detail("folder: " + project->JobPath() + ", job id " + std::to_string(project->JobID()));
  for (const char* file : {"PROJECT.QVP", "Project.mdb", "PMP10Tag.mdb", "~PMP10.PLF"}) {
    if (r.Expect(host::Exists(project_folder_ + "/" + file), std::string("the project folder has no ") + file)) {
      r.Detail(std::string("file: ") + file);
    }
  }
  r.Expect(pump_->IsAppDataRegistered(kProjectName), "PMP10's data is not registered in the project");
}

void DemoRun::PumpProperties(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  const ProjectRef& project = pump_->Project();
  if (!r.Expect(project && !project->JobPath().empty(), "there is no saved current project")) return;
  project->SetJobNumber(kJobNumber);
  project->SetNotes(kNotes);
  project->SetProjectDirty(true);
  r.Detail(std::string("job number: ") + kJobNumber);
  r.Detail(std::string("notes: ") + kNotes);
  int rc = pump_->ProjectSave();
  if (!Answered(r, "ProjectSave", rc)) return;
  r.Expect(pump_->Project() && !pump_->Project()->ProjectDirty(), "the project is still marked changed");
}

void DemoRun::PumpClose(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  int rc = pump_->PromptToSaveAndContinue();
  if (!Answered(r, "PromptToSaveAndContinue", rc)) return;
  bool closed = pump_->CloseCurrentProject();
  r.Detail(std::string("CloseCurrentProject: ") + (closed ? "True" : "False"));
  r.Expect(closed, "CloseCurrentProject answered False");
  r.Expect(pump_->Project() == nullptr, "a project is still current");
  r.Expect(!host::Exists(project_folder_ + "/~PMP10.PLF"), "the lock file ~PMP10.PLF is still there");
  r.Expect(!host::Exists(project_folder_ + "/~PMP10"), "the working folder ~PMP10 is still there");
}

void DemoRun::PumpReopen(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  int rc = pump_->ProjectOpen(kProjectName);
  if (!Answered(r, "ProjectOpen", rc)) return;
  const ProjectRef& project = pump_->Project();
  if (!r.Expect(project != nullptr, "no current project after the open")) return;
  r.Expect(project->JobName() == kProjectName, "the current project is " + project->JobName());
  r.Expect(project->JobNumber() == kJobNumber, "the job number reads " + project->JobNumber());
  r.Expect(project->Notes() == kNotes, "the notes read " + project->Notes());
  r.Detail("job number: " + project->JobNumber() + ", notes: " + project->Notes());
  r.Detail("tags: " + TagNames(*pump_));
  r.Expect(HasTag(*pump_, "P-101") && HasTag(*pump_, "Untitled1") && pump_->UnitTags().Count() == 2,
           "the tags are " + TagNames(*pump_) + ", not P-101 and Untitled1");
  r.Expect(host::Exists(project_folder_ + "/~PMP10.PLF"), "the lock file ~PMP10.PLF is missing");
  // What the other applications see: the tags published in the project database.
  DbHandle db;
  RsHandle rs;
  if (!r.Expect(OpenDbAndRecordset(db, rs, project_folder_ + "/Project.mdb",
                                   "SELECT sTagName FROM TagIndex WHERE sApp = 'PMP' ORDER BY sTagName",
                                   db::dbOpenSnapshot, false, true) == 0,
                "TagIndex of Project.mdb cannot be read")) {
    return;
  }
  std::string published;
  long rows = 0;
  for (; !rs->Eof(); rs->MoveNext(), ++rows) {
    published += (published.empty() ? "" : ", ") + rs->Fields("sTagName").Value().AsString();
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  r.Detail("TagIndex rows of PMP10: " + std::to_string(rows) + " (" + published + ")");
  r.Expect(rows == 2, "TagIndex holds " + std::to_string(rows) + " rows of PMP10, not 2");
}

std::string DemoRun::PumpArchivePath() const { return installation_.tvxii + "/Archives/" + kProjectName + ".QVA"; }

std::string DemoRun::LayoutArchivePath() const {
  return installation_.tvxii + "/Archives/" + kProjectName + " LAY10.QVA";
}

void DemoRun::PumpArchives(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  // The destination-given archive writes into an existing folder only.
  (void)host::CreateFolders(installation_.tvxii + "/Archives");
  ArchiveInfo info;
  if (!ArchiveAndRead(r, *pump_, PumpArchivePath(), &info)) return;
  const std::string entries = Joined(info.entries);
  r.Expect(info.entries == std::vector<std::string>{"PROJECT.QVP", "Project.mdb", "PMP10Tag.mdb", "PMP10Crv.dat"},
           "the archive holds " + entries + ", not PROJECT.QVP, Project.mdb, PMP10Tag.mdb and PMP10Crv.dat");
  r.Expect(info.version == "AR002", "the master archive version reads " + info.version);
  r.Expect(!info.properties.empty() && info.properties[0].second == kProjectName,
           "the archived project is not \"Demo Plant\"");
}

void DemoRun::PumpExits(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  Exit(r, pump_, "ExitProgram");
  r.Expect(!host::Exists(project_folder_ + "/~PMP10.PLF"), "the lock file ~PMP10.PLF is still there");
}

void DemoRun::LayoutStartsAndOpens(StepResult& r) {
  layout_ = Start(r, "LAY10", "PDSInitialize");
  if (!layout_ || !Answered(r, "ProjectOpen", layout_->ProjectOpen(kProjectName))) return;
  const ProjectRef& project = layout_->Project();
  if (!r.Expect(project && project->JobName() == kProjectName, "\"Demo Plant\" is not the current project")) return;
  r.Detail("working folder: " + project->WorkingJobPath());
  r.Expect(host::Exists(project_folder_ + "/~LAY10.PLF"), "the lock file ~LAY10.PLF is missing");
}

void DemoRun::LayoutSaves(StepResult& r) {
  if (!Running(r, layout_, "LAY10")) return;
  int rc = layout_->ProjectSave();
  if (!Answered(r, "ProjectSave", rc)) return;
  std::vector<std::string> apps = ProjectApps(*layout_);
  const std::string listed = Joined(apps);
  r.Detail("applications in PROJECT.QVP: " + listed);
  auto lists = [&apps](const char* pdsg) { return std::find(apps.begin(), apps.end(), pdsg) != apps.end(); };
  r.Expect(lists("PMP10") && lists("LAY10"), "PROJECT.QVP lists " + listed + ", not PMP10 and LAY10");
  r.Expect(layout_->IsAppDataRegistered(kProjectName), "LAY10's data is not registered in the project");
  r.Expect(host::Exists(project_folder_ + "/LAY10Lay.dat"), "the project folder has no LAY10Lay.dat");
}

void DemoRun::SecondLayoutRefused(StepResult& r) {
  std::unique_ptr<clsProjectDataServer> second = Start(r, "LAY10", "second PDSInitialize");
  if (!second) return;
  int rc = second->ProjectOpen(kProjectName);
  r.Detail("second ProjectOpen: " + Code(rc));
  r.Expect(rc == RETURN_USER_CANCEL, "the second ProjectOpen answered " + Code(rc) + ", not RETURN_USER_CANCEL");
  bool told = false;
  for (const ShownMessage& m : host_.shown()) {
    told = told || (m.title == "LockProjectApp()" && m.text == "Project is already in use by another user.");
  }
  r.Expect(told, "the second session was not told \"Project is already in use by another user.\"");
  Exit(r, second, "second ExitProgram");
  r.Expect(host::Exists(project_folder_ + "/~LAY10.PLF"), "the first session's lock file ~LAY10.PLF is gone");
}

void DemoRun::LayoutArchives(StepResult& r) {
  if (!Running(r, layout_, "LAY10")) return;
  ArchiveInfo info;
  if (!ArchiveAndRead(r, *layout_, LayoutArchivePath(), &info)) return;
  const std::string entries = Joined(info.entries);
  r.Expect(std::find(info.entries.begin(), info.entries.end(), "LAY10Lay.dat") != info.entries.end(),
           "the archive holds " + entries + ", without LAY10Lay.dat");
  r.Expect(std::find(info.entries.begin(), info.entries.end(), "PMP10Tag.mdb") == info.entries.end(),
           "LAY10's archive holds PMP10's data");
}

void DemoRun::LayoutDeletesItsData(StepResult& r) {
  if (!Running(r, layout_, "LAY10")) return;
  int rc = layout_->ProjectDelete(kProjectName, false);
  if (!Answered(r, "ProjectDelete", rc)) return;
  r.Expect(host_.shown().empty(), "something was shown although messages were off");
  r.Expect(!host::Exists(project_folder_ + "/LAY10Lay.dat"), "LAY10Lay.dat is still in the project folder");
  // PMP10 keeps data in the project, so the project stays.
  r.Expect(host::Exists(project_folder_ + "/PMP10Tag.mdb"), "PMP10's tag database is gone");
  std::vector<std::string> apps = ProjectApps(*layout_);
  const std::string listed = Joined(apps);
  r.Detail("applications in PROJECT.QVP: " + listed);
  r.Expect(apps == std::vector<std::string>{"PMP10"}, "PROJECT.QVP lists " + listed + ", not PMP10 alone");
  bool found = false;
  r.Expect(layout_->DoesProjectExist(kProjectName, found) && found, "the project left the projects list");
  r.Detail(std::string("\"Demo Plant\" in the projects list: ") + (found ? "yes" : "no"));
}

void DemoRun::LayoutRetrieves(StepResult& r) {
  if (!Running(r, layout_, "LAY10")) return;
  int rc = layout_->ProjectNew();
  if (!r.Expect(rc == RETURN_OK, "ProjectNew answered " + Code(rc))) return;
  const std::string untitled = layout_->Project() ? layout_->Project()->JobName() : "";
  // Each application takes only its own files from an archive: PMP10's
  // archive holds no LAY10 data, so retrieving from it is refused and leaves
  // the new project as it was.
  rc = layout_->ProjectRetrieve(PumpArchivePath(), false);
  r.Detail("ProjectRetrieve from PMP10's archive: " + Code(rc));
  r.Expect(rc == RETURN_ERROR, "retrieving from PMP10's archive answered " + Code(rc) + ", not RETURN_ERROR");
  const ProjectRef& before = layout_->Project();
  if (!r.Expect(before != nullptr, "there is no current project after the refused retrieve")) return;
  r.Expect(before->JobName() == untitled, "the refused retrieve renamed the project to " + before->JobName());
  rc = layout_->ProjectRetrieve(LayoutArchivePath(), false);
  r.Detail("ProjectRetrieve from LAY10's archive: " + Code(rc));
  const ProjectRef& p = layout_->Project();
  if (!r.Expect(p != nullptr, "there is no current project after the retrieve")) return;
  if (!r.Expect(rc == RETURN_OK, "ProjectRetrieve answered " + Code(rc))) return;
  r.Detail("project: " + p->JobName() + ", number " + p->JobNumber() + ", contact " + p->ContactName());
  r.Expect(p->JobName() == kProjectName, "the new project is named " + p->JobName() + ", not " + kProjectName);
  r.Expect(p->JobPath().empty(), "the retrieve gave the new project a folder");
  r.Expect(p->ProjectDirty() && layout_->AppDirty(), "the project and the application are not both marked changed");
  r.Expect(host::Exists(p->WorkingJobPath() + "/LAY10Lay.dat"), "the working folder has no LAY10Lay.dat");
  // The retrieved copy is not kept: the demo ends without saving it.
  p->SetProjectDirty(false);
  layout_->SetAppDirty(false);
}

void DemoRun::LayoutExits(StepResult& r) {
  if (!Running(r, layout_, "LAY10")) return;
  Exit(r, layout_, "ExitProgram");
  r.Expect(!host::Exists(project_folder_ + "/~LAY10.PLF"), "the lock file ~LAY10.PLF is still there");
}

void DemoRun::EveryProjectChecks(StepResult& r) {
  std::vector<ProjectCheckResult> results;
  std::string error;
  if (!r.Expect(CheckListedProjects(root_, &results, &error), error)) return;
  for (const ProjectCheckResult& project : results) {
    r.Detail(project.name + ": " + (project.problems.empty() ? "healthy" : project.problems.front()));
    for (const std::string& problem : project.problems) r.Expect(false, project.folder + ": " + problem);
  }
  r.Expect(!results.empty(), "the projects lists hold no project");
}

}  // namespace pds::app
