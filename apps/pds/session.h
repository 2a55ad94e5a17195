// One application session of `pds session`: the service object, the UI host
// chosen for it, and the commands a user or a script types. Each command
// prints the operation's result code name and what changed; with --json one
// JSON object per command.
//
// Commands are registered by name from the files that implement them, so each
// family of operations adds its commands next to its own code.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pds/clsProjectDataServer.h"

namespace pds::app {

class Session;

struct SessionCommand {
  std::string name;
  std::string usage;    // "open [NAME]"
  std::string summary;  // one line for `help`
  // Runs the command; false when the operation failed (the session's exit
  // code becomes 1, the session goes on).
  std::function<bool(Session&, const std::vector<std::string>& args)> run;
  // How many words may follow the command's name. The session refuses any
  // other number before running anything, so that a name with blanks typed
  // without quotes never runs the command on one of its words. A command
  // whose arguments depend on a verb takes kAnyArgs and checks them itself.
  std::size_t min_args = 0;
  std::size_t max_args = 0;
};

inline constexpr std::size_t kAnyArgs = static_cast<std::size_t>(-1);

// Registers a command at static-initialization time. A command with a page
// in help_pages.cpp takes its usage and summary from the page. `help` is
// built in (it lists and describes every command); registering another one
// changes nothing.
bool RegisterSessionCommand(SessionCommand command);
const std::map<std::string, SessionCommand>& SessionCommands();

class Session {
 public:
  Session(bool json, std::FILE* out) : json_(json), out_(out) {}
  clsProjectDataServer& server() { return server_; }
  // The tag record set the session keeps across commands, as an application
  // keeps its rsTag.
  RsHandle& rsTag() { return rs_tag_; }
  bool json() const { return json_; }
  std::FILE* out() const { return out_; }

  // Prints one result: a line "NAME: details" for people, or a JSON object
  // {"command":..., "result":..., fields...} for machines.
  void Report(const std::string& command, const std::string& result,
              const std::vector<std::pair<std::string, std::string>>& fields);

  // Refuses a command line that does not fit the command's synopsis:
  // reports USAGE with the problem and the synopsis, and marks the session
  // so that the line counts as a usage error. Returns false, for the
  // command's runner to return.
  bool UsageError(const std::string& command, const std::string& problem);
  // The problem of the usage error reported since the last call, as
  // "command: problem; usage: synopsis", or empty when there was none.
  std::string TakeUsageError() { return std::exchange(usage_error_, std::string()); }

 private:
  clsProjectDataServer server_;
  RsHandle rs_tag_;  // after server_: released before the service object goes
  bool json_;
  std::FILE* out_;
  std::string usage_error_;
};

// Text escaped for the inside of a JSON string.
std::string JsonEscape(const std::string& s);
// The name of a return code ("RETURN_OK" ...).
std::string ResultName(int code);
// The problem of a command line with more words than the command takes: it
// names the first word too many and, when the command takes a name, shows
// the words from the name on quoted as one ('delete "Demo Plant"').
std::string ExtraWordProblem(const std::string& command, const std::vector<std::string>& args,
                             std::size_t max_args);
// Reads the words of a command that takes at most one word and one switch
// ("delete [NAME] [--quiet]"): *given tells whether the switch was there.
// Another "--" option or a second word is a usage error: false, after it is
// reported, so that a name typed without its quotes never acts on one word.
bool OneWordAndSwitch(Session& s, const std::string& command, const std::vector<std::string>& args,
                      const std::string& flag, bool* given, std::vector<std::string>* words);
// Splits a command line into words; "double quotes" keep blanks together.
std::vector<std::string> SplitWords(const std::string& line, std::string* error);

}  // namespace pds::app
