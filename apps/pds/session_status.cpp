// `status`: who the application is, where things are, and the current state.
#include <string>

#include "apps/pds/session.h"
#include "core/process_state.h"

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
      s.Report("status", ResultName(rc),
               {{"application", server.Pdsg() + " " + server.AppName() + " " + server.AppVersion()},
                {"data style", DataStyleText(server.AppDataStyle())},
                {"user", server.NetUserID() + " (" + server.TVXUserId() + ")"},
                {"installation", server.TVXiiPath()},
                {"projects database", server.ProjectDb()},
                {"default projects folder", Shared().default_projects_folder},
                {"projects", std::to_string(count)},
                {"current project", "(none)"}});
      return rc == -1;
    }});

}  // namespace
}  // namespace pds::app
