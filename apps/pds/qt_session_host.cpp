#include "apps/pds/qt_session_host.h"

#include <unistd.h>

#include "pds/HostEnv.h"

#ifdef PDS_WITH_QT
#include <QApplication>

#include "ui/qt/qt_host.h"
#endif

namespace pds::app {

namespace {
char** g_arguments = nullptr;
}  // namespace

void RememberArguments(char** argv) { g_arguments = argv; }

std::shared_ptr<UiHost> MakeQtSessionHost(std::string* error) {
  // Qt ends the process when it cannot reach a display; say why instead.
  if (!host::GetEnvVar("DISPLAY") && !host::GetEnvVar("WAYLAND_DISPLAY") && !host::GetEnvVar("QT_QPA_PLATFORM")) {
    *error = "--ui qt needs a display (DISPLAY or WAYLAND_DISPLAY), or QT_QPA_PLATFORM=offscreen";
    return nullptr;
  }
#ifdef PDS_WITH_QT
  if (!QApplication::instance()) {
    // Lives until the process ends: windows may be open until the last command.
    static int argc = 1;
    static char name[] = "pds";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
  }
  return std::make_shared<qt::QtHost>();
#else
  const std::string companion = host::ComponentFolder() + "/pds-qt";
  if (!host::Exists(companion) || !g_arguments) {
    *error = "--ui qt: the desktop host (pds-qt) is not installed beside pds; build with Qt 6 (PDS_BUILD_QT)";
    return nullptr;
  }
  // Nothing has been read from standard input yet, so the companion gets
  // the whole session: the same arguments, descriptors and environment.
  execv(companion.c_str(), g_arguments);
  *error = "--ui qt: cannot start " + companion;
  return nullptr;
#endif
}

}  // namespace pds::app
