#include "apps/pds/qt_session_host.h"

#include "pds/HostEnv.h"

#ifdef PDS_WITH_QT
#include <QApplication>

#include "ui/qt/qt_host.h"
#endif

namespace pds::app {

std::shared_ptr<UiHost> MakeQtSessionHost(std::string* error) {
#ifdef PDS_WITH_QT
  // Qt ends the process when it cannot reach a display; say why instead.
  if (!host::GetEnvVar("DISPLAY") && !host::GetEnvVar("WAYLAND_DISPLAY") && !host::GetEnvVar("QT_QPA_PLATFORM")) {
    *error = "--ui qt needs a display (DISPLAY or WAYLAND_DISPLAY), or QT_QPA_PLATFORM=offscreen";
    return nullptr;
  }
  if (!QApplication::instance()) {
    // Lives until the process ends: windows may be open until the last command.
    static int argc = 1;
    static char name[] = "pds";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
  }
  return std::make_shared<qt::QtHost>();
#else
  *error = "--ui qt: this pds was built without Qt (PDS_BUILD_QT=OFF)";
  return nullptr;
#endif
}

}  // namespace pds::app
