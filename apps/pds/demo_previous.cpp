// The demo step that converts a project of the earlier generation: PMP10
// starts a new project and runs the sample translator pds-translate on the
// sample earlier-generation project shipped beside the programs, the folder
// dialog answered with that project's folder.
#include <cstdlib>
#include <optional>
#include <string>

#include "apps/pds/demo.h"
#include "apps/pds/folder_answer.h"
#include "apps/pds/session.h"
#include "pds/UserSettings.h"
#include "pds/clsProject.h"
#include "pds/clsUnitTags.h"
#include "pds/db/db_helpers.h"
#include "pds/db/recordset.h"

namespace pds::app {

namespace {

// Sets an environment variable for the lifetime of the object. The demo
// keeps the translator's per-user settings inside its installation, and
// the translator, a child process, must look in the same place.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

void DemoRun::PumpConvertsPrevious(StepResult& r) {
  if (!Running(r, pump_, "PMP10")) return;
  // The programs' folder in the build tree, or the installed bin folder
  // with the sample under share/pds.
  const std::string programs = host::ComponentFolder();
  const std::string translator = programs + "/pds-translate";
  std::string sample = programs + "/previous/demo-plant";
  if (!host::Exists(sample)) sample = programs + "/../share/pds/previous/demo-plant";
  if (!r.Expect(host::Exists(translator), "the translator " + translator + " is missing (build pds-translate)")) return;
  if (!r.Expect(host::Exists(sample + "/QBMPROJ.INI"), "the sample earlier-generation project is missing at " + sample)) {
    return;
  }
  int rc = pump_->ProjectNew();
  if (!r.Expect(rc == RETURN_OK, "ProjectNew answered " + ResultName(rc))) return;

  ScopedVariable config("XDG_CONFIG_HOME", installation_.temp + "/config");
  {
    ScopedFolderAnswer answer(sample);
    rc = pump_->ProjectRetrieveFromPreviousVersion(translator);
    r.Detail("folder dialog \"Retrieve Previous Version\" answered with " + sample);
  }
  r.Detail("ProjectRetrieveFromPreviousVersion(" + translator + "): " + ResultName(rc));
  if (!r.Expect(rc == RETURN_OK, "ProjectRetrieveFromPreviousVersion answered " + ResultName(rc))) return;
  r.Expect(pump_->AppDirty(), "the application is not marked changed");
  const std::string settings = UserSettingsFile("ProjectDataServer");
  r.Expect(!GetUserSetting("ProjectDataServer", "Translator", "ResultCode"),
           "the translator settings are still in " + settings);

  std::string names;
  for (const auto& tag : pump_->UnitTags()) names += (names.empty() ? "" : ", ") + tag->Name();
  r.Detail("TagData tags: " + names);
  r.Expect(names == "P-201, P-202, P-210", "the converted TagData tags are " + names + ", not P-201, P-202, P-210");
  std::string tag_type = "TagData";
  std::string tag_name = "P-210";
  RsHandle rs;
  if (r.Expect(pump_->OpenTag(tag_type, tag_name, rs, false) == RETURN_OK, "P-210 cannot be opened")) {
    const std::string service = rs->Fields("sService").Value().AsString();
    r.Detail("P-210 sService: " + service + ", fHead: " + rs->Fields("fHead").Value().AsString());
    r.Expect(service == "Boiler feed, stage \"A\"", "P-210's service reads " + service);
  }
  CloseRecordset(rs);
  tag_type = "Motor";
  tag_name = "M-201";
  r.Expect(pump_->OpenTag(tag_type, tag_name, rs, false) == RETURN_OK, "the Motor tag M-201 cannot be opened");
  CloseRecordset(rs);
  // The converted project is not kept: the demo goes on without saving it.
  if (pump_->Project()) pump_->Project()->SetProjectDirty(false);
  pump_->SetAppDirty(false);
}

}  // namespace pds::app
