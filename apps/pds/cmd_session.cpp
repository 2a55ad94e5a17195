// `pds session`: one application session against an installation. It creates
// the service object, initializes it with the application's program folder
// and command line, runs commands until `exit` or the end of input, and
// calls ExitProgram.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "apps/pds/command_reader.h"
#include "apps/pds/commands.h"
#include "apps/pds/qt_session_host.h"
#include "apps/pds/session.h"
#include "pds/BatchHost.h"
#include "pds/VisibleText.h"
#include "pds/UiHost.h"
#include "ui/scripted/scripted_host.h"
#include "ui/terminal/prompt.h"
#include "ui/terminal/terminal_host.h"
#include "ui/terminal/tty.h"

namespace pds::app {

namespace {

struct SessionOptions {
  std::string root;
  std::string app;
  std::string user;
  std::string cmdline;
  std::string ui = "";
  std::string script;
  bool json = false;
};

// Puts the default host back however the session ends, before the terminal
// the session's host draws on goes.
struct HostReset {
  ~HostReset() { SetUiHost(nullptr); }
};

// Runs one command line. Returns what is wrong with the line when it is a
// usage error, which then runs nothing; sets *exit_code to 1 when the
// command ran and failed, and *exit_asked for exit or quit.
std::string RunLine(Session& session, const std::string& line, int* exit_code, bool* exit_asked) {
  std::string error;
  std::vector<std::string> words = SplitWords(line, &error);
  if (!error.empty()) return error;
  if (words.empty() || words[0][0] == '#') return {};
  // Names reach file names, databases and the terminal: a control character
  // in one is refused before anything runs.
  for (const std::string& word : words) {
    if (std::string c = FirstControlCharacter(word); !c.empty()) {
      return "'" + VisibleText(word) + "' holds the control character " + c + "; names are printable text";
    }
  }
  const std::vector<std::string> args(words.begin() + 1, words.end());
  const std::string& name = words[0];
  if (name == "exit" || name == "quit") {
    *exit_asked = args.empty();
    if (args.empty()) return {};
    session.UsageError(name, ExtraWordProblem(name, args, 0));
    return session.TakeUsageError();
  }
  const auto& commands = SessionCommands();
  auto it = commands.find(name);
  if (it == commands.end()) return "unknown command '" + VisibleText(name) + "' (type 'help')";
  const SessionCommand& command = it->second;
  if (args.size() < command.min_args) {
    session.UsageError(name, "missing argument");
    return session.TakeUsageError();
  }
  if (command.max_args != kAnyArgs && args.size() > command.max_args) {
    session.UsageError(name, ExtraWordProblem(name, args, command.max_args));
    return session.TakeUsageError();
  }
  const bool ok = command.run(session, args);
  if (std::string problem = session.TakeUsageError(); !problem.empty()) return problem;
  if (!ok && *exit_code == kExitOk) *exit_code = kExitFailed;
  return {};
}

int RunSession(const SessionOptions& o) {
  // The UI host for the whole session: a person at a terminal is asked,
  // anything else is answered by default.
  const bool on_terminal = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
  std::string ui = o.ui;
  if (ui.empty()) ui = on_terminal ? "terminal" : "batch";
  const bool prompt_on_terminal = o.script.empty() && isatty(STDIN_FILENO);
  std::unique_ptr<terminal::Tty> tty;
  if (ui == "terminal" || prompt_on_terminal) tty = terminal::Tty::Open();
  HostReset host_reset;
  std::shared_ptr<ui::ScriptedHost> scripted;
  bool unexpected = false;
  if (ui == "batch") {
    SetUiHost(std::make_shared<BatchHost>());
  } else if (ui == "terminal") {
    if (!tty) {
      std::fprintf(stderr, "pds session: --ui terminal needs a terminal, and this process has none\n");
      return kExitUsage;
    }
    terminal::TerminalOptions options;
    terminal::Tty* device = tty.get();
    options.size = [device](int* width, int* height) { device->Size(width, height); };
    options.draw_progress = isatty(STDOUT_FILENO);
    options.alt_screen_changed = [device](bool on) { device->SetAltScreen(on); };
    SetUiHost(std::make_shared<terminal::TerminalHost>(tty->out(), tty->keys(), options));
  } else if (ui == "qt") {
    std::string error;
    std::shared_ptr<UiHost> desktop = MakeQtSessionHost(&error);
    if (!desktop) {
      std::fprintf(stderr, "pds session: %s\n", error.c_str());
      return kExitUsage;
    }
    SetUiHost(desktop);
  } else if (ui.rfind("script:", 0) == 0) {
    std::string text, read_error;
    if (!ReadTextFile(ui.substr(7), kMaxAnswerFile, &text, &read_error)) {
      std::fprintf(stderr, "pds session: the answer file: %s\n", VisibleText(read_error).c_str());
      return kExitUsage;
    }
    scripted = std::make_shared<ui::ScriptedHost>();
    std::string error;
    if (!scripted->AddScript(text, &error)) {
      std::fprintf(stderr, "pds session: %s: %s\n", ui.substr(7).c_str(), error.c_str());
      return kExitUsage;
    }
    scripted->OnFailure([&unexpected](const std::string& what) {
      unexpected = true;
      std::fprintf(stderr, "pds session: %s\n", VisibleText(what, true).c_str());
    });
    SetUiHost(scripted);
  } else {
    std::fprintf(stderr, "pds session: unknown --ui %s (terminal, batch, qt or script:FILE)\n", VisibleText(ui).c_str());
    return kExitUsage;
  }

  CommandReader in(STDIN_FILENO);
  if (!o.script.empty()) {
    std::string error;
    if (!in.Open(o.script, &error)) {
      std::fprintf(stderr, "pds session: the script: %s\n", VisibleText(error).c_str());
      return kExitUsage;
    }
  }

  std::string root = o.root;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::string app_path = root + "/TVX-ii/" + o.app + "/Code";
  std::string cmdline = o.cmdline;
  if (!o.user.empty()) cmdline += (cmdline.empty() ? "" : " ") + std::string("/U:[") + o.user + "]";

  Session session(o.json, stdout);
  int rc = session.server().PDSInitialize(app_path, o.app, cmdline);
  session.Report("initialize", ResultName(rc),
                 {{"application", session.server().AppName()}, {"user", session.server().TVXUserId()}});
  if (rc != -1 || unexpected) return unexpected ? kExitUnexpectedMessage : kExitFailed;

  // Commands typed at a terminal get a prompt with line editing and a
  // history; from a pipe or a file they are read line by line.
  std::unique_ptr<terminal::Prompt> prompt;
  if (prompt_on_terminal && tty) {
    terminal::Tty* device = tty.get();
    prompt = std::make_unique<terminal::Prompt>(tty->out(), tty->keys(), [device] {
      int width = 0, height = 0;
      device->Size(&width, &height);
      return width;
    });
    prompt->UseHistoryFile(terminal::DefaultHistoryPath());
  }
  const std::string prompt_text = session.server().Pdsg() + "> ";

  // A mistake in a line a person typed is shown and the next line awaited;
  // in a script or a pipe the lines after a mistake were written expecting
  // it to have run, so the session stops there with the usage exit code.
  int exit_code = kExitOk;
  std::string line;
  while (true) {
    std::string problem;
    if (prompt) {
      std::fflush(stdout);
      if (!prompt->ReadLine(prompt_text, &line)) break;
      if (line.size() >= kMaxCommandLine) problem = "the line is longer than " + std::to_string(kMaxCommandLine) + " bytes";
    } else {
      std::string error;
      CommandReader::Result got = in.Next(&line, &error);
      if (got == CommandReader::Result::kEnd) break;
      if (got == CommandReader::Result::kReadError) {
        std::fprintf(stderr, "pds session: cannot read the commands: %s\n", error.c_str());
        exit_code = kExitUsage;
        break;
      }
      if (got == CommandReader::Result::kTooLong) {
        problem = "the line is longer than " + std::to_string(kMaxCommandLine) + " bytes (not a file of commands?)";
      }
    }
    bool exit_asked = false;
    if (problem.empty()) problem = RunLine(session, line, &exit_code, &exit_asked);
    if (unexpected || exit_asked) break;
    if (problem.empty()) continue;
    exit_code = kExitUsage;
    if (prompt) {
      std::fprintf(stderr, "pds session: %s\n", problem.c_str());
      continue;
    }
    std::fprintf(stderr, "pds session: line %ld: %s; stopped here, the lines after it were not run\n",
                 in.line_number(), problem.c_str());
    break;
  }

  rc = session.server().ExitProgram();
  session.Report("exit", ResultName(rc), {});
  if (scripted) {
    for (const std::string& problem : scripted->Problems()) {
      if (problem.rfind("expected but never shown", 0) == 0) {
        std::fprintf(stderr, "pds session: %s\n", VisibleText(problem, true).c_str());
        unexpected = true;
      }
    }
  }
  if (unexpected) return kExitUnexpectedMessage;
  return rc == -1 ? exit_code : kExitFailed;
}

}  // namespace

CommandRunner RegisterSession(CLI::App& app) {
  auto [sub, options] = AddSubcommand<SessionOptions>(
      app, "session", "Run one application session against an installation");
  sub->add_option("--root", options->root, "Folder holding the installation's TVX-ii folder")->required();
  sub->add_option("--app", options->app, "The application's program designation (PDSG)")->required();
  sub->add_option("--user", options->user, "Network user name, passed as /U on the command line");
  sub->add_option("--cmdline", options->cmdline, "Command line handed to PDSInitialize");
  sub->add_option("--ui", options->ui, "terminal (default on a terminal), batch, qt, or script:FILE");
  sub->add_option("--script", options->script, "Read the commands from FILE instead of standard input");
  AddJsonFlag(*sub, options->json, "One JSON object per command");
  return [options = options] { return RunSession(*options); };
}

}  // namespace pds::app
