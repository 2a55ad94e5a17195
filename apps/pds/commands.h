// The subcommands of `pds`. Each file of this folder adds one subcommand to the
// command line and runs it when chosen. The exit codes are the same for all
// of them (kExit...); `pds help` documents them once, from help_text.cpp.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace pds::app {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitUnexpectedMessage = 3;

// What runs when a subcommand was chosen; returns the process exit code.
using CommandRunner = std::function<int()>;

// A subcommand of app and the arguments its options fill; the runner that
// registration returns holds the arguments, so they live as long as it
// (captured as `[args = args]`: clang 14 cannot capture a structured binding).
template <class Args>
std::pair<CLI::App*, std::shared_ptr<Args>> AddSubcommand(CLI::App& app, const std::string& name,
                                                          const std::string& summary) {
  return {app.add_subcommand(name, summary), std::make_shared<Args>()};
}

// The --json switch every subcommand offers: machine-readable output, each
// record one JSON object.
inline void AddJsonFlag(CLI::App& sub, bool& json, const std::string& description = "Print the result as JSON") {
  sub.add_flag("--json", json, description);
}

// Each registers its subcommand on app and returns the runner for it. The
// subcommand's description is the summary of its manual page.
CommandRunner RegisterDemo(CLI::App& app);
CommandRunner RegisterSelfCheck(CLI::App& app);
CommandRunner RegisterInstall(CLI::App& app);
CommandRunner RegisterSession(CLI::App& app);
CommandRunner RegisterArchiveInfo(CLI::App& app);
CommandRunner RegisterSearch(CLI::App& app);
CommandRunner RegisterCheck(CLI::App& app);
// Help and completion describe the other subcommands of app, so they are
// registered last; app must outlive the runner.
CommandRunner RegisterHelp(CLI::App& app);
CommandRunner RegisterCompletion(CLI::App& app);

// `pds --help`: the subcommands with their summaries, and where to read more.
std::string OverviewText(const CLI::App& app);
// Prints the manual page of a subcommand or topic; false when there is none.
bool PrintCommandPage(const std::string& name, std::FILE* out);
// The bash completion script for app's subcommands and options.
std::string BashCompletionScript(CLI::App& app);
// Writes pds.1 and one manual page per command and topic into folder
// (created when missing); false with the reason in *error.
bool WriteManPages(const CLI::App& app, const std::string& folder, std::string* error);
// The subcommand of app named name, or null.
CLI::App* FindSubcommand(CLI::App& app, const std::string& name);

}  // namespace pds::app
