// `pds session` at a terminal, end to end: the program runs under a pseudo-terminal, the test types keys and
// reads what the program draws (without its control sequences), waiting for expected text with a timeout.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include "tests/apps/pds_command.h"
#include "tests/terminal/text_matchers.h"
#include "ui/terminal/styled_text.h"

namespace pds::terminal {
namespace {

using test::HasAll;

constexpr int kWaitMs = 30000;

// A program running on the far side of a pseudo-terminal.
class PtyProgram {
 public:
  ~PtyProgram() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) ::close(fd_);
  }

  bool Start(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& env) {
    winsize size{};
    size.ws_row = 30;
    size.ws_col = 100;
    pid_ = ::forkpty(&fd_, nullptr, nullptr, &size);
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    return true;
  }

  void Type(const std::string& keys) {
    for (std::size_t done = 0; done < keys.size();) {
      const ssize_t n = ::write(fd_, keys.data() + done, keys.size() - done);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

  // Waits until text shows after what earlier waits consumed; seen gets the
  // screen text from there up to and including text.
  bool WaitFor(const std::string& text, std::string* seen = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (true) {
      const std::string screen = StripAnsi(raw_);
      const std::size_t at = screen.find(text, consumed_);
      if (at != std::string::npos) {
        if (seen) *seen = screen.substr(consumed_, at + text.size() - consumed_);
        consumed_ = at + text.size();
        return true;
      }
      if (std::chrono::steady_clock::now() >= deadline || ReadSome(200) < 0) {
        ADD_FAILURE() << "waited in vain for \"" << text << "\"; the screen since the last match:\n"
                      << screen.substr(consumed_);
        return false;
      }
    }
  }

  pid_t pid() const { return pid_; }
  const std::string& raw() const { return raw_; }
  // The terminal's modes as the program left them.
  bool Modes(termios* modes) const { return ::tcgetattr(fd_, modes) == 0; }

  // Reads until the program ends; its exit code, 128 + the signal that ended
  // it, or -1 when it does not end in time.
  int Finish() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        while (ReadSome(50) > 0) {
          // What the program wrote before it ended may still wait in the terminal.
        }
        if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      ReadSome(100);
    }
    return -1;
  }

 private:
  // 1 when something was read, 0 when nothing came in time, -1 once the program closed its side.
  int ReadSome(int timeout_ms) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0) return 0;
    char chunk[4096];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n <= 0) return -1;
    raw_.append(chunk, static_cast<std::size_t>(n));
    return 1;
  }

  pid_t pid_ = -1;
  int fd_ = -1;
  std::string raw_;
  std::size_t consumed_ = 0;
};

class TerminalSessionTest : public ::testing::Test {
 protected:
  // A fresh installation whose user has a Pump Designer and a Layout Planner project, made by batch sessions.
  void SetUp() override {
    ASSERT_EQ(test::RunPds(temp_, "install '" + temp_.path() + "'").exit_code, 0);
    std::filesystem::create_directories(temp_ / "P1");
    std::filesystem::create_directories(temp_ / "L1");
    ASSERT_EQ(test::RunSession(temp_, "PMP10", "save-as " + (temp_ / "P1") + " Pump1\\nexit\\n").exit_code, 0);
    ASSERT_EQ(test::RunSession(temp_, "LAY10", "new\\nsave-as " + (temp_ / "L1") + " Layout1\\nexit\\n").exit_code, 0);
  }
  // Starts a Pump Designer session at the terminal with the options given and waits for its prompt.
  bool StartSession(const std::vector<std::string>& options) {
    std::vector<std::string> argv = {PDS_BINARY, "session", "--root", temp_.path(), "--app", "PMP10"};
    argv.insert(argv.end(), options.begin(), options.end());
    return pds_.Start(argv, {{"XDG_STATE_HOME", temp_ / "state"}, {"TERM", "xterm"}}) && pds_.WaitFor("PMP10> ");
  }

  test::TempFolder temp_;
  PtyProgram pds_;
};

TEST_F(TerminalSessionTest, OpenThroughTheSelectDialogFilteredByApplicationThenAnswerTheSaveQuestion) {
  ASSERT_TRUE(StartSession({})) << "no --ui: on a terminal the terminal host is the default";

  std::string seen;
  pds_.Type("open\r");
  ASSERT_TRUE(pds_.WaitFor("[ Help ]", &seen));
  EXPECT_THAT(seen, HasAll({"Open Project", "Select Project:", "Layout1", "Pump1",
                            "List Projects of Type: [Show All Projects (*.*)", "[ Open ]"}));

  // Tab to the application list; Down picks the first application, leaving only its projects in the list.
  pds_.Type("\t");
  ASSERT_TRUE(pds_.WaitFor("[ Help ]"));
  pds_.Type("\x1b[B");
  ASSERT_TRUE(pds_.WaitFor("[Pump Designer  1.0", &seen));
  EXPECT_THAT(seen, HasSubstr("Pump1"));
  EXPECT_THAT(seen, Not(HasSubstr("Layout1")));

  // Back to the list; Enter opens the selected project.
  pds_.Type("\x1b[Z\r");
  ASSERT_TRUE(pds_.WaitFor("open: RETURN_OK"));
  ASSERT_TRUE(pds_.WaitFor("PMP10> ", &seen));
  EXPECT_THAT(seen, HasAll({"Pump1", temp_ / "P1"}));

  pds_.Type("set Notes changed\r");
  ASSERT_TRUE(pds_.WaitFor("set: RETURN_OK"));
  pds_.Type("close\r");
  ASSERT_TRUE(pds_.WaitFor("[Y]es [N]o [C]ancel", &seen));
  EXPECT_THAT(seen, HasSubstr("(?) Save Changes\n  Save changes to project 'Pump1'?\n"));
  pds_.Type("n");
  ASSERT_TRUE(pds_.WaitFor("close: RETURN_OK"));
  ASSERT_TRUE(pds_.WaitFor("PMP10> "));

  pds_.Type("exit\r");
  ASSERT_TRUE(pds_.WaitFor("exit: RETURN_OK"));
  EXPECT_EQ(pds_.Finish(), 0);
  // The lines typed are kept for the next session.
  EXPECT_EQ(temp_.Read("state/pds/history"), "open\nset Notes changed\nclose\nexit\n");
}

// At the prompt a refused line is shown and the session goes on: the user can type it again, a script could not.
TEST_F(TerminalSessionTest, RefusedLineAtThePromptDeletesNothingAndTheSessionGoesOn) {
  ASSERT_TRUE(StartSession({"--ui", "batch"}));
  pds_.Type("delete Pump1 now --quiet\r");
  ASSERT_TRUE(pds_.WaitFor("pds session: delete: unexpected word 'now'"));
  ASSERT_TRUE(pds_.WaitFor("PMP10> "));
  pds_.Type("status\r");
  ASSERT_TRUE(pds_.WaitFor("status: RETURN_OK"));
  pds_.Type("exit\r");
  ASSERT_TRUE(pds_.WaitFor("exit: RETURN_OK"));
  EXPECT_EQ(pds_.Finish(), 2);
  EXPECT_TRUE(std::filesystem::exists(temp_ / "P1/PROJECT.QVP"));
}

TEST_F(TerminalSessionTest, SignalEndingTheSessionMidDialogGivesTheTerminalBack) {
  ASSERT_TRUE(StartSession({"--ui", "terminal"}));
  pds_.Type("open\r");
  ASSERT_TRUE(pds_.WaitFor("[ Help ]"));
  termios modes{};
  ASSERT_TRUE(pds_.Modes(&modes));
  ASSERT_EQ(modes.c_lflag & ECHO, 0u) << "keys are read in raw mode while the dialog is open";

  ::kill(pds_.pid(), SIGTERM);
  EXPECT_EQ(pds_.Finish(), 128 + SIGTERM);
  ASSERT_TRUE(pds_.Modes(&modes));
  EXPECT_NE(modes.c_lflag & ECHO, 0u);
  EXPECT_NE(modes.c_lflag & ICANON, 0u);
  const std::string& raw = pds_.raw();
  const std::size_t left = raw.rfind(ansi::kLeaveAltScreen);
  ASSERT_NE(left, std::string::npos);
  EXPECT_GT(left, raw.rfind(ansi::kEnterAltScreen));
}

}  // namespace
}  // namespace pds::terminal
