// `pds check [FOLDER] [--root DIR] [--json]`: examines a project folder, or
// every project on an installation's projects lists, and reports what would
// stop a project opening or lose its data, without changing anything.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "apps/pds/commands.h"
#include "apps/pds/session.h"
#include "pds/ProjectCheck.h"
#include "pds/VisibleText.h"

namespace pds::app {

namespace {

struct CheckArgs {
  std::string folder;
  std::string root;
  bool json = false;
};

std::string JsonText(const std::string& s) { return "\"" + JsonEscape(s) + "\""; }

int Run(const CheckArgs& args) {
  if (args.folder.empty() && args.root.empty()) {
    std::fprintf(stderr, "pds check: name a project FOLDER, or an installation with --root DIR (see 'pds help check')\n");
    return kExitUsage;
  }
  std::vector<ProjectCheckResult> results;
  std::string error;
  if (!args.folder.empty()) {
    results.push_back(CheckProjectFolder(args.folder, args.root));
  } else if (!CheckListedProjects(args.root, &results, &error)) {
    if (args.json) {
      std::printf("{\"ok\":false,\"error\":%s}\n", JsonText(error).c_str());
    } else {
      std::fprintf(stderr, "pds check: %s\n", VisibleText(error).c_str());
    }
    return kExitFailed;
  }
  std::size_t problems = 0;
  for (const ProjectCheckResult& r : results) problems += r.problems.size();
  if (args.json) {
    std::string projects;
    for (const ProjectCheckResult& r : results) {
      std::string lines;
      for (const std::string& p : r.problems) lines += (lines.empty() ? "" : ",") + JsonText(p);
      projects += (projects.empty() ? "" : ",") + std::string("{\"folder\":") + JsonText(r.folder) +
                  ",\"name\":" + JsonText(r.name) + ",\"ok\":" + (r.problems.empty() ? "true" : "false") +
                  ",\"problems\":[" + lines + "]}";
    }
    std::printf("{\"ok\":%s,\"projects\":[%s]}\n", problems == 0 ? "true" : "false", projects.c_str());
  } else {
    for (const ProjectCheckResult& r : results) {
      for (const std::string& p : r.problems) {
        std::printf("%s: %s\n", VisibleText(r.folder).c_str(), VisibleText(p).c_str());
      }
    }
    std::printf("%zu project(s) checked, %zu problem(s)\n", results.size(), problems);
  }
  return problems == 0 ? kExitOk : kExitFailed;
}

}  // namespace

CommandRunner RegisterCheck(CLI::App& app) {
  auto [sub, args] = AddSubcommand<CheckArgs>(app, "check", "Examine projects without changing them");
  sub->add_option("FOLDER", args->folder, "The project folder to examine");
  sub->add_option("--root", args->root, "The installation: its projects lists, and every listed project");
  AddJsonFlag(*sub, args->json);
  return [args = args] { return Run(*args); };
}

}  // namespace pds::app
