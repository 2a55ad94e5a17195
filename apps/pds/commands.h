// The subcommands of `pds`. Each file of this folder adds one subcommand to the
// command line and runs it when chosen; exit codes: 0 success, 1 the operation
// failed, 2 usage error, 3 a scripted session met an unexpected message.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

namespace pds::app {

// What runs when a subcommand was chosen; returns the process exit code.
using CommandRunner = std::function<int()>;

// Each registers its subcommand on app and returns the runner for it.
CommandRunner RegisterSelfCheck(CLI::App& app);
CommandRunner RegisterInstall(CLI::App& app);
CommandRunner RegisterSession(CLI::App& app);

}  // namespace pds::app
