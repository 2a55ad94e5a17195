// `status`: who the application is, where things are, and the current state.
#include <string>

#include "apps/pds/session.h"
#include "pds/clsProject.h"
#include "pds/clsProjects.h"

namespace pds::app {

namespace {

std::string DataStyleText(int style) {
  if (style == 0) return "NO_DATA";
  std::string text;
  if (style & 2) text += "PROJECT_SUPPORT";
  if (style & 4) text += std::string(text.empty() ? "" : "|") + "TAG_SUPPORT";
  return text;
}

const bool kRegistered = RegisterSessionCommand(SessionCommand{
    "status", "status", "Show the application, its folders, the user and the projects",
    [](Session& s, const std::vector<std::string>&) {
      clsProjectDataServer& server = s.server();
      std::int32_t count = 0;
      int rc = server.ProjectCount(count);
      std::vector<std::pair<std::string, std::string>> fields = {
          {"application", server.Pdsg() + " " + server.AppName() + " " + server.AppVersion()},
          {"data style", DataStyleText(server.AppDataStyle())},
          {"user", server.NetUserID() + " (" + server.TVXUserId() + ")"},
          {"installation", server.TVXiiPath()},
          {"projects database", server.ProjectDb()},
          {"default projects folder", clsProjects().DefaultDataPath()},
          {"projects", std::to_string(count)}};
      const ProjectRef& p = server.Project();
      if (!p) {
        fields.emplace_back("current project", "(none)");
      } else {
        std::string locks;
        for (const auto& [pdsg, handle] : p->LockHandles()) locks += (locks.empty() ? "" : ", ") + pdsg;
        fields.emplace_back("current project", p->JobName());
        fields.emplace_back("project folder", p->JobPath().empty() ? "(not saved)" : p->JobPath());
        fields.emplace_back("working folder", p->WorkingJobPath());
        fields.emplace_back("project dirty", p->ProjectDirty() ? "yes" : "no");
        fields.emplace_back("application dirty", server.AppDirty() ? "yes" : "no");
        fields.emplace_back("locks held", locks.empty() ? "(none)" : locks);
      }
      s.Report("status", ResultName(rc), fields);
      return rc == -1;
    }});

}  // namespace
}  // namespace pds::app
