// The desktop host for `pds session --ui qt`: the session's dialogs and
// messages as Qt windows, over the session's commands read from the
// terminal or a script.
//
// Loading Qt takes longer than everything else pds does at start, and most
// runs never open a window. So the pds command does not link Qt: asked for
// the desktop host, it hands the whole command line over to its companion
// pds-qt (the same command with the desktop host linked in), which it finds
// beside itself.
#pragma once

#include <memory>
#include <string>

#include "pds/UiHost.h"

namespace pds::app {

// Keeps the program's arguments for the hand-over; call once from main.
void RememberArguments(char** argv);

// The host, with the process's Qt application made on first use. In pds
// itself this replaces the process by pds-qt with the same arguments and
// returns only on failure. Null with the reason in *error when no display is
// reachable or pds-qt cannot be started.
std::shared_ptr<UiHost> MakeQtSessionHost(std::string* error);

}  // namespace pds::app
