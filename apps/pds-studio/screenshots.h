// `pds-studio --screenshots OUT`: walks the studio through the project life
// cycle as a user would (new project, tags, save as with the folder dialog,
// properties, archive, retrieve, open, find, a lost project), answering every
// window the component shows and writing a PNG of the main window and of
// each kind of window once, drawn by Qt, into OUT.
#pragma once

#include <string>

namespace pds {
class clsProjectDataServer;
namespace qt {
class QtHost;
}
namespace studio {
class StudioWindow;

// Runs the walk; returns the number of pictures written, -1 when OUT cannot be made.
int TakeScreenshots(const std::string& out, const std::string& projects_folder, clsProjectDataServer& server,
                    qt::QtHost& host, StudioWindow& window);

}  // namespace studio
}  // namespace pds
