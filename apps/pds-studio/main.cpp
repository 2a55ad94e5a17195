// pds-studio: the sample desktop application of the family, standing in for
// Pump Designer (PMP10). It starts one application session against an
// installation and shows the main window; every dialog comes from the
// component through the Qt host.
//
//   pds-studio [--root DIR] [--app PDSG] [--demo DIR] [--screenshots OUT]
//
// The installation is the one under --root, else under $PDS_ROOT; --demo DIR
// builds a fresh installation in DIR first and uses it. --screenshots walks
// through the life cycle, writes PNGs into OUT and exits.
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>
#include <memory>
#include <string>

#include "apps/pds-studio/screenshots.h"
#include "apps/pds-studio/studio_window.h"
#include "pds/HostEnv.h"
#include "pds/Installation.h"
#include "pds/clsProjectDataServer.h"
#include "ui/qt/qt_host.h"

namespace {

struct Options {
  std::string root;
  std::string app = "PMP10";
  std::string demo;
  std::string screenshots;
};

constexpr const char* kUsage =
    "usage: pds-studio [--root DIR] [--app PDSG] [--demo DIR] [--screenshots OUT]\n"
    "  --root DIR         the folder holding the installation's TVX-ii folder (default: $PDS_ROOT)\n"
    "  --app PDSG         the sample application to run (default: PMP10)\n"
    "  --demo DIR         build a fresh installation in DIR first, then use it\n"
    "  --screenshots OUT  walk through the dialogs, write a PNG of each into OUT, and exit\n";

bool ParseArgs(int argc, char** argv, Options* o, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string* target = arg == "--root" ? &o->root
                          : arg == "--app" ? &o->app
                          : arg == "--demo" ? &o->demo
                          : arg == "--screenshots" ? &o->screenshots
                                                   : nullptr;
    if (!target) {
      *error = arg == "--help" || arg == "-h" ? "" : "unknown argument '" + arg + "'";
      return false;
    }
    if (i + 1 >= argc) {
      *error = arg + " needs a value";
      return false;
    }
    *target = argv[++i];
  }
  return true;
}

std::string Translator() {
  const std::string path = pds::host::ComponentFolder() + "/pds-translate";
  return pds::host::Exists(path) ? path : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string error;
  if (!ParseArgs(argc, argv, &o, &error)) {
    std::fprintf(error.empty() ? stdout : stderr, "%s%s%s", error.empty() ? "" : "pds-studio: ",
                 error.empty() ? "" : (error + "\n").c_str(), kUsage);
    return error.empty() ? 0 : 2;
  }
  // Folders given relative to where the user stands: the component changes
  // the working folder as it opens projects.
  for (std::string* path : {&o.root, &o.demo, &o.screenshots}) {
    if (!path->empty()) *path = QFileInfo(QString::fromStdString(*path)).absoluteFilePath().toStdString();
  }
  if (!o.demo.empty()) {
    pds::install::InstallOptions install;
    install.root = o.demo;
    if (!pds::install::BuildInstallation(install, &error)) {
      std::fprintf(stderr, "pds-studio: --demo %s: %s\n", o.demo.c_str(), error.c_str());
      return 1;
    }
    o.root = o.demo;
  }
  if (o.root.empty()) o.root = pds::host::GetEnvVar("PDS_ROOT").value_or("");
  if (o.root.empty()) {
    std::fprintf(stderr, "pds-studio: no installation: give --root DIR or --demo DIR, or set PDS_ROOT\n%s", kUsage);
    return 2;
  }
  while (o.root.size() > 1 && o.root.back() == '/') o.root.pop_back();

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("pds-studio"));
  auto host = std::make_shared<pds::qt::QtHost>();
  pds::SetUiHost(host);
  int rc = 0;
  {
    pds::clsProjectDataServer server;
    const std::string tvxii = o.root + "/TVX-ii";
    if (server.PDSInitialize(tvxii + "/" + o.app + "/Code", o.app, "") != pds::RETURN_OK) {
      std::fprintf(stderr, "pds-studio: the application %s could not start from %s\n", o.app.c_str(), tvxii.c_str());
      pds::SetUiHost(nullptr);
      return 1;
    }
    pds::studio::StudioWindow window(server, Translator());
    host->SetMainWindow(&window);
    if (!o.screenshots.empty()) {
      const int written = pds::studio::TakeScreenshots(o.screenshots, tvxii, server, *host, window);
      std::printf("pds-studio: %d screenshots in %s\n", written, o.screenshots.c_str());
      rc = written > 0 ? 0 : 1;
      window.close();
    } else {
      window.show();
      rc = QApplication::exec();
    }
    host->SetMainWindow(nullptr);
    server.ExitProgram();
  }
  pds::SetUiHost(nullptr);
  return rc;
}
