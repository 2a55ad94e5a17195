// `pds install DIR`: lays out a complete installation in DIR/TVX-ii with the
// configuration database, the templates, the brand logos and the chosen
// sample applications.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "apps/pds/commands.h"
#include "apps/pds/session.h"
#include "pds/Installation.h"
#include "pds/VisibleText.h"

namespace pds::app {

namespace {

struct InstallArgs {
  std::string root;
  std::string brand = "VELTRAX";
  bool user_ids_required = false;
  std::vector<std::string> apps;
  bool json = false;
};

std::string JsonText(const std::string& s) { return "\"" + JsonEscape(s) + "\""; }

int Run(const InstallArgs& args) {
  install::InstallOptions options;
  options.root = args.root;
  options.brand = args.brand;
  options.user_ids_required = args.user_ids_required;
  if (!args.apps.empty()) options.apps = args.apps;

  std::string error;
  install::Installation built;
  bool valid = install::ValidateOptions(options, &error);
  bool ok = valid && install::BuildInstallation(options, &error, &built);
  if (args.json) {
    if (ok) {
      std::string apps;
      for (const std::string& pdsg : built.apps) {
        apps += (apps.empty() ? "" : ",") + std::string("{\"pdsg\":") + JsonText(pdsg) +
                ",\"code\":" + JsonText(built.CodePath(pdsg)) + "}";
      }
      std::printf("{\"ok\":true,\"installation\":%s,\"config_db\":%s,\"apps\":[%s]}\n", JsonText(built.tvxii).c_str(),
                  JsonText(built.config_db).c_str(), apps.c_str());
    } else {
      std::printf("{\"ok\":false,\"error\":%s}\n", JsonText(error).c_str());
    }
  } else if (ok) {
    std::printf("Installation created: %s\n", VisibleText(built.tvxii).c_str());
    for (const std::string& pdsg : built.apps) {
      std::printf("  %s  %s\n", VisibleText(pdsg).c_str(), VisibleText(built.CodePath(pdsg)).c_str());
    }
  } else {
    std::fprintf(stderr, "pds install: %s\n", VisibleText(error).c_str());
  }
  if (ok) return 0;
  return valid ? 1 : 2;
}

}  // namespace

CommandRunner RegisterInstall(CLI::App& app) {
  auto [sub, args] = AddSubcommand<InstallArgs>(app, "install", "Create an installation folder DIR/TVX-ii");
  sub->add_option("DIR", args->root, "Folder that receives the installation folder TVX-ii")->required();
  sub->add_option("--brand", args->brand, "Brand: VELTRAX (default), DORNEL, HALVORN, TORSK or EXPORT");
  sub->add_flag("--user-ids-required", args->user_ids_required, "Require registered user IDs");
  sub->add_option("--apps", args->apps, "Sample applications to install (default PMP10,LAY10,CAL10)")
      ->delimiter(',');
  AddJsonFlag(*sub, args->json);
  return [args = args] { return Run(*args); };
}

}  // namespace pds::app
