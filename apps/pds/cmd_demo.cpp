// `pds demo [DIR] [--keep] [--json]`: the main job. Runs the demo's steps on a
// fresh installation and narrates them: one line per step, the values it
// read back, the messages the component showed with the answers they got,
// and a summary. Exit code 0 only when every step did what it should.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "apps/pds/commands.h"
#include "apps/pds/demo.h"
#include "apps/pds/session.h"
#include "pds/HostEnv.h"
#include "pds/VisibleText.h"

namespace pds::app {

namespace {

struct DemoArgs {
  std::string dir;
  bool keep = false;
  bool json = false;
};

constexpr const char* kIndent = "       ";

// A message's text for the narration: the component's line breaks (a
// carriage return with or without line feeds) become indented lines.
std::string Indented(const std::string& text, const std::string& indent) {
  std::string out = indent;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' || i == 0 || text[i - 1] != '\r') out += "\n" + indent;
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

// Values read back and messages quote names and paths: control characters
// among them are printed escaped.
void PrintStep(std::size_t n, std::size_t total, const std::string& what, const StepResult& r) {
  std::printf("[%zu/%zu] %s ... %s\n", n, total, VisibleText(what).c_str(), r.ok() ? "ok" : "FAILED");
  if (!r.ok()) std::printf("%sreason: %s\n", kIndent, VisibleText(r.reason()).c_str());
  for (const std::string& line : r.details()) std::printf("%s%s\n", kIndent, VisibleText(line).c_str());
  for (const ShownMessage& m : r.messages) {
    std::printf("%s%s \"%s\" -> %s\n", kIndent, m.kind.c_str(), VisibleText(m.title).c_str(),
                VisibleText(m.answer).c_str());
    if (!m.text.empty()) {
      std::printf("%s\n", VisibleText(Indented(m.text, std::string(kIndent) + "    "), true).c_str());
    }
  }
  std::fflush(stdout);
}

std::string JsonString(const std::string& s) { return "\"" + JsonEscape(s) + "\""; }

void PrintStepJson(std::size_t n, std::size_t total, const std::string& what, const StepResult& r) {
  std::string details;
  for (const std::string& line : r.details()) details += (details.empty() ? "" : ",") + JsonString(line);
  std::string messages;
  for (const ShownMessage& m : r.messages) {
    messages += std::string(messages.empty() ? "" : ",") + "{\"kind\":" + JsonString(m.kind) +
                ",\"title\":" + JsonString(m.title) + ",\"text\":" + JsonString(m.text) +
                ",\"answer\":" + JsonString(m.answer) + "}";
  }
  std::printf("{\"step\":%zu,\"of\":%zu,\"what\":%s,\"ok\":%s,\"reason\":%s,\"details\":[%s],\"messages\":[%s]}\n", n,
              total, JsonString(what).c_str(), r.ok() ? "true" : "false", JsonString(r.reason()).c_str(),
              details.c_str(), messages.c_str());
  std::fflush(stdout);
}

int Run(const DemoArgs& args) {
  bool temporary = args.dir.empty();
  std::string folder = temporary ? pds::host::MakeTempFolder("pds-demo-") : args.dir;
  if (folder.empty()) {
    std::fprintf(stderr, "pds demo: cannot create a folder under %s\n", pds::host::TempFolder().c_str());
    return kExitFailed;
  }
  if (!args.json) {
    std::printf("pds demo: the installation goes to %s%s\n", folder.c_str(),
                temporary && !args.keep ? " (removed at the end)" : "");
  }

  auto host = std::make_shared<DemoHost>();
  std::shared_ptr<UiHost> previous_host = SetUiHost(host);
  std::size_t passed = 0;
  std::size_t total = 0;
  {
    DemoRun run(folder, *host);
    std::vector<DemoRun::Step> steps = run.Steps();
    total = steps.size();
    for (std::size_t i = 0; i < steps.size(); ++i) {
      StepResult r = run.RunStep(steps[i]);
      if (r.ok()) ++passed;
      if (args.json) {
        PrintStepJson(i + 1, total, steps[i].what, r);
      } else {
        PrintStep(i + 1, total, steps[i].what, r);
      }
    }
  }  // every service object, lock file and database of the run is released here
  SetUiHost(previous_host);

  bool removed = false;
  if (temporary && !args.keep) {
    removed = pds::host::RemoveTree(folder);
    if (!removed) std::fprintf(stderr, "pds demo: could not remove all of %s\n", folder.c_str());
  }
  if (args.json) {
    std::printf("{\"demo\":\"done\",\"ok\":%zu,\"of\":%zu,\"folder\":%s,\"kept\":%s}\n", passed, total,
                JsonString(folder).c_str(), removed ? "false" : "true");
  } else {
    if (!removed) std::printf("the installation stays in %s\n", folder.c_str());
    std::printf("demo: %zu of %zu steps ok\n", passed, total);
  }
  return passed == total ? kExitOk : kExitFailed;
}

}  // namespace

CommandRunner RegisterDemo(CLI::App& app) {
  auto [sub, args] = AddSubcommand<DemoArgs>(
      app, "demo", "Run the narrated life of one project shared by two applications");
  sub->add_option("DIR", args->dir, "Folder that receives the installation (kept)");
  sub->add_flag("--keep", args->keep, "Keep the temporary folder");
  AddJsonFlag(*sub, args->json, "One JSON object per step");
  return [args = args] { return Run(*args); };
}

}  // namespace pds::app
