// `pds search FOLDER`: the projects below a folder (each project file's
// project name, its folder and the applications with data in it), in the
// project search's order, without an installation.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "apps/pds/commands.h"
#include "apps/pds/session.h"
#include "pds/ProjectSearch.h"
#include "pds/VisibleText.h"

namespace pds::app {

namespace {

struct SearchArgs {
  std::string folder;
  bool json = false;
};

std::string JsonText(const std::string& s) { return "\"" + JsonEscape(s) + "\""; }

int Run(const SearchArgs& args) {
  std::vector<ProjectListing> found;
  std::string error;
  if (!ListProjectsBelow(args.folder, &found, &error)) {
    if (args.json) {
      std::printf("{\"ok\":false,\"error\":%s}\n", JsonText(error).c_str());
    } else {
      std::fprintf(stderr, "pds search: %s\n", VisibleText(error).c_str());
    }
    return kExitFailed;
  }
  if (args.json) {
    std::string projects;
    for (const ProjectListing& p : found) {
      std::string apps;
      for (const std::string& a : p.applications) apps += (apps.empty() ? "" : ",") + JsonText(a);
      projects += (projects.empty() ? "" : ",") + std::string("{\"name\":") + JsonText(p.name) +
                  ",\"folder\":" + JsonText(p.folder) + ",\"applications\":[" + apps + "]}";
    }
    std::printf("{\"ok\":true,\"folder\":%s,\"projects\":[%s]}\n", JsonText(args.folder).c_str(), projects.c_str());
    return kExitOk;
  }
  for (const ProjectListing& p : found) {
    std::string apps;
    for (const std::string& a : p.applications) apps += (apps.empty() ? "" : ",") + a;
    std::printf("%s\t%s\t%s\n", VisibleText(p.name).c_str(), VisibleText(p.folder).c_str(),
                VisibleText(apps).c_str());
  }
  std::printf("%zu project(s) found\n", found.size());
  return kExitOk;
}

}  // namespace

CommandRunner RegisterSearch(CLI::App& app) {
  auto [sub, args] = AddSubcommand<SearchArgs>(app, "search", "List the projects below a folder");
  sub->add_option("FOLDER", args->folder, "The folder to search")->required();
  AddJsonFlag(*sub, args->json);
  return [args = args] { return Run(*args); };
}

}  // namespace pds::app
