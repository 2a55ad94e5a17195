// Running the built `pds` program from a test: the command line is passed to
// the shell as written (quote paths), standard output and error are kept in
// files of the test's own temporary folder.
#pragma once

#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/test_support.h"

namespace pds::test {

struct PdsRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// env: assignments put before the program ("TMPDIR=/x"); input: fed to
// standard input with printf (escapes such as \n allowed, no apostrophes).
inline PdsRun RunPds(const TempFolder& temp, const std::string& args, const std::string& env = "",
                     const std::string& input = "") {
  std::string command = (input.empty() ? "" : "printf '" + input + "' | ") + env + (env.empty() ? "" : " ") + "'" +
                        std::string(PDS_BINARY) + "' " + args + " >'" + (temp / "pds.out") + "' 2>'" +
                        (temp / "pds.err") + "'" + (input.empty() ? " </dev/null" : "");
  int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, temp.Read("pds.out"), temp.Read("pds.err")};
}

// `pds session` of app on the installation in temp, under a time limit and
// with a private temporary folder; commands as printf takes them, options
// ("--ui batch", "--json", an answer script) and any redirections after them.
inline PdsRun RunSession(const TempFolder& temp, const std::string& app, const std::string& commands,
                         const std::string& options = "--ui batch") {
  std::filesystem::create_directories(temp / "tmp");
  return RunPds(temp, "session --root '" + temp.path() + "' --app " + app + " " + options,
                "TMPDIR='" + (temp / "tmp") + "' timeout 60", commands);
}

}  // namespace pds::test
