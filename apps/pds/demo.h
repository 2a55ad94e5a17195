// `pds demo`: the life of one project shared by two sample applications,
// driven in this process through clsProjectDataServer as the applications
// themselves would drive it, each step checked against what the operation
// promises.
//
// DemoHost is the UI host of the run: nobody answers, so every message box
// gets its default button and every dialog is closed as its Cancel button
// would close it, and everything shown is kept for the step's narration.
// DemoRun owns the installation's service objects and an environment that
// keeps the component's temporary files inside the installation; it is
// destroyed before its folder is removed, which releases every lock file and
// database it held.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pds/ArchiveInfo.h"
#include "pds/Installation.h"
#include "pds/BatchHost.h"
#include "pds/HostEnv.h"
#include "pds/UiHost.h"
#include "pds/clsProjectDataServer.h"

namespace pds::app {

// One thing the component showed, and the answer it got.
struct ShownMessage {
  std::string kind;  // "message box", "input box", "dialog", "folder browser", "file dialog", "help"
  std::string title;
  std::string text;
  std::string answer;
};

// Answers as the batch host does (default buttons, dialogs declined, a
// question that keeps coming back gets its escape answer) and keeps what was
// shown for the narration instead of printing it.
class DemoHost : public BatchHost {
 public:
  // What was shown since the last TakeShown, oldest first.
  const std::vector<ShownMessage>& shown() const { return shown_; }
  std::vector<ShownMessage> TakeShown();

 protected:
  void Show(const Shown& shown) override;

 private:
  std::vector<ShownMessage> shown_;
};

// The outcome of one step: ok until an expectation fails; the first failed
// expectation is the reason.
class StepResult {
 public:
  // Records a failure when condition is false; returns condition.
  bool Expect(bool condition, const std::string& failure);
  void Detail(std::string line) { details_.push_back(std::move(line)); }

  bool ok() const { return reason_.empty(); }
  const std::string& reason() const { return reason_; }
  const std::vector<std::string>& details() const { return details_; }
  // What the component showed during the step.
  std::vector<ShownMessage> messages;

 private:
  std::string reason_;
  std::vector<std::string> details_;
};

class DemoRun {
 public:
  struct Step {
    std::string what;
    std::function<void(StepResult&)> run;
  };

  // root: the folder that receives the installation's TVX-ii folder; host:
  // the process's UI host while the run lasts.
  DemoRun(std::string root, DemoHost& host);
  ~DemoRun();
  DemoRun(const DemoRun&) = delete;
  DemoRun& operator=(const DemoRun&) = delete;

  // The steps in order; each runs against the state the earlier ones left.
  std::vector<Step> Steps();
  // Runs one step: no internal failure escapes, it becomes the reason.
  StepResult RunStep(const Step& step);

 private:
  // The steps (demo_steps.cpp).
  void Install(StepResult& r);
  void PumpStarts(StepResult& r);
  void PumpNewProject(StepResult& r);
  void PumpNewTag(StepResult& r);
  void PumpCopyTag(StepResult& r);
  void PumpRenameTag(StepResult& r);
  void PumpDeleteTag(StepResult& r);
  void PumpSaveAs(StepResult& r);
  void PumpProperties(StepResult& r);
  void PumpClose(StepResult& r);
  void PumpReopen(StepResult& r);
  void PumpArchives(StepResult& r);
  void PumpConvertsPrevious(StepResult& r);  // demo_previous.cpp
  std::string PumpArchivePath() const;
  std::string LayoutArchivePath() const;
  void PumpExits(StepResult& r);
  void LayoutStartsAndOpens(StepResult& r);
  void LayoutSaves(StepResult& r);
  void SecondLayoutRefused(StepResult& r);
  void LayoutArchives(StepResult& r);
  void LayoutDeletesItsData(StepResult& r);
  void LayoutRetrieves(StepResult& r);
  void LayoutExits(StepResult& r);
  void EveryProjectChecks(StepResult& r);

  // The designations PROJECT.QVP of the project lists.
  std::vector<std::string> ProjectApps(clsProjectDataServer& server);
  // A new service object of pdsg, initialized; null (the step failed) when
  // PDSInitialize did not answer RETURN_OK. call names it in the narration.
  std::unique_ptr<clsProjectDataServer> Start(StepResult& r, const std::string& pdsg, const std::string& call);
  // ExitProgram, narrated as call, then the service object goes.
  void Exit(StepResult& r, std::unique_ptr<clsProjectDataServer>& server, const std::string& call);
  // Archives the current project of server to dest and reads the archive
  // back into info; false (the step failed) when either did not work.
  bool ArchiveAndRead(StepResult& r, clsProjectDataServer& server, std::string dest, ArchiveInfo* info);
  // Fails the step unless server is running; true when it is.
  bool Running(StepResult& r, const std::unique_ptr<clsProjectDataServer>& server, const std::string& pdsg);

  std::string root_;
  DemoHost& host_;
  // The installation's own Temp folder stands in for the system's once there
  // is one, so that the working copies of untitled projects stay inside the demo.
  host::ScopedTempFolder temp_folder_;
  install::Installation installation_;
  std::string project_folder_;  // the project's folder, once it is saved
  std::unique_ptr<clsProjectDataServer> pump_;
  std::unique_ptr<clsProjectDataServer> layout_;
  RsHandle rs_tag_;  // the tag record set the pump application holds
};

}  // namespace pds::app
