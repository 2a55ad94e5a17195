// `pds archive-info FILE`: what a project archive holds (the archived
// project's properties, the master archive version, the file's times and the
// applications with data in it), read without an installation.
#include <cstdio>
#include <memory>
#include <string>

#include "apps/pds/commands.h"
#include "apps/pds/session.h"
#include "pds/ArchiveInfo.h"
#include "pds/VisibleText.h"

namespace pds::app {

namespace {

struct ArchiveInfoArgs {
  std::string file;
  bool json = false;
};

std::string JsonText(const std::string& s) { return "\"" + JsonEscape(s) + "\""; }

void PrintJson(const std::string& file, const ArchiveInfo& info) {
  std::string properties;
  for (const auto& [key, value] : info.properties) {
    properties += (properties.empty() ? "" : ",") + JsonText(key) + ":" + JsonText(value);
  }
  std::string apps;
  for (const auto& [key, text] : info.applications) {
    apps += (apps.empty() ? "" : ",") + std::string("{\"pdsg\":") + JsonText(key) + ",\"name\":" + JsonText(text) + "}";
  }
  std::string entries;
  for (const std::string& name : info.entries) entries += (entries.empty() ? "" : ",") + JsonText(name);
  std::printf("{\"ok\":true,\"archive\":%s,\"master_archive_version\":%s,\"created\":%s,\"last_modified\":%s,"
              "\"properties\":{%s},\"applications\":[%s],\"entries\":[%s]}\n",
              JsonText(file).c_str(), JsonText(info.version).c_str(), JsonText(info.created).c_str(),
              JsonText(info.last_modified).c_str(), properties.c_str(), apps.c_str(), entries.c_str());
}

void PrintText(const std::string& file, const ArchiveInfo& info) {
  auto line = [](const std::string& label, const std::string& value) {
    std::printf("%-24s %s\n", (label + ":").c_str(), VisibleText(value).c_str());
  };
  line("Archive", file);
  line("Master Archive Version", info.version);
  line("Archive Created", info.created);
  line("Archive Last Modified", info.last_modified);
  for (const auto& [key, value] : info.properties) line(key, value);
  std::printf("Contains Data For:\n");
  for (const auto& [key, text] : info.applications) {
    std::printf("  %-8s %s\n", VisibleText(key).c_str(), VisibleText(text).c_str());
  }
  std::printf("Entries:\n");
  for (const std::string& name : info.entries) std::printf("  %s\n", VisibleText(name).c_str());
}

int Run(const ArchiveInfoArgs& args) {
  ArchiveInfo info;
  std::string error;
  if (!ReadArchiveInfo(args.file, &info, &error)) {
    if (args.json) {
      std::printf("{\"ok\":false,\"error\":%s}\n", JsonText(error).c_str());
    } else {
      std::fprintf(stderr, "pds archive-info: %s\n", VisibleText(error).c_str());
    }
    return kExitFailed;
  }
  if (args.json) {
    PrintJson(args.file, info);
  } else {
    PrintText(args.file, info);
  }
  return kExitOk;
}

}  // namespace

CommandRunner RegisterArchiveInfo(CLI::App& app) {
  auto [sub, args] = AddSubcommand<ArchiveInfoArgs>(app, "archive-info", "Show what a project archive (.QVA) holds");
  sub->add_option("FILE", args->file, "The archive file")->required();
  AddJsonFlag(*sub, args->json);
  return [args = args] { return Run(*args); };
}

}  // namespace pds::app
