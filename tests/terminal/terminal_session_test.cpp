// `pds session` at a terminal, end to end: the program runs under a
// pseudo-terminal, the test types keys and reads what the program draws
// (without its control sequences), waiting for expected text with a timeout.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/test_support.h"
#include "ui/terminal/styled_text.h"

namespace pds::terminal {
namespace {

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
      if (std::chrono::steady_clock::now() >= deadline || !Read(200)) {
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
        Drain();
        if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      Read(100);
    }
    return -1;
  }

 private:
  // What the program wrote before it ended may still wait in the terminal.
  void Drain() {
    while (ReadSome(50) > 0) {
    }
  }
  // False once the program closed its side.
  bool Read(int timeout_ms) { return ReadSome(timeout_ms) >= 0; }
  // 1 when something was read, 0 when nothing came in time, -1 once the
  // program closed its side.
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
  // A fresh installation whose user has a Pump Designer project and a
  // Layout Planner project, both made by batch sessions.
  void SetUp() override {
    ASSERT_EQ(Run("'" + pds_ + "' install '" + temp_.path() + "'"), 0);
    std::filesystem::create_directories(temp_ / "P1");
    std::filesystem::create_directories(temp_ / "L1");
    ASSERT_EQ(Session("PMP10", "save-as " + (temp_ / "P1") + " Pump1"), 0);
    ASSERT_EQ(Session("LAY10", "new\\nsave-as " + (temp_ / "L1") + " Layout1"), 0);
  }
  int Run(const std::string& command) {
    const int status = std::system((command + " >>'" + (temp_ / "setup.log") + "' 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Session(const std::string& app, const std::string& commands) {
    return Run("printf '" + commands + "\\nexit\\n' | '" + pds_ + "' session --root '" + temp_.path() + "' --app " +
               app + " --ui batch");
  }

  test::TempFolder temp_;
  const std::string pds_ = PDS_BINARY;
};

TEST_F(TerminalSessionTest, OpenThroughTheSelectDialogFilteredByApplicationThenAnswerTheSaveQuestion) {
  PtyProgram pds;
  // No --ui: on a terminal the terminal host is the default.
  ASSERT_TRUE(pds.Start({pds_, "session", "--root", temp_.path(), "--app", "PMP10"},
                        {{"XDG_STATE_HOME", temp_ / "state"}, {"TERM", "xterm"}}));
  ASSERT_TRUE(pds.WaitFor("PMP10> "));

  std::string seen;
  pds.Type("open\r");
  ASSERT_TRUE(pds.WaitFor("[ Help ]", &seen));
  EXPECT_THAT(seen, HasSubstr("Open Project"));
  EXPECT_THAT(seen, HasSubstr("Select Project:"));
  EXPECT_THAT(seen, HasSubstr("Layout1"));
  EXPECT_THAT(seen, HasSubstr("Pump1"));
  EXPECT_THAT(seen, HasSubstr("List Projects of Type: [Show All Projects (*.*)"));
  EXPECT_THAT(seen, HasSubstr("[ Open ]"));

  // Tab to the application list; Down picks the first application, which
  // leaves only its projects in the list.
  pds.Type("\t");
  ASSERT_TRUE(pds.WaitFor("[ Help ]"));
  pds.Type("\x1b[B");
  ASSERT_TRUE(pds.WaitFor("[Pump Designer  1.0", &seen));
  EXPECT_THAT(seen, HasSubstr("Pump1"));
  EXPECT_THAT(seen, Not(HasSubstr("Layout1")));

  // Back to the list; Enter opens the selected project.
  pds.Type("\x1b[Z\r");
  ASSERT_TRUE(pds.WaitFor("open: RETURN_OK"));
  ASSERT_TRUE(pds.WaitFor("PMP10> ", &seen));
  EXPECT_THAT(seen, HasSubstr("Pump1"));
  EXPECT_THAT(seen, HasSubstr(temp_ / "P1"));

  pds.Type("set Notes changed\r");
  ASSERT_TRUE(pds.WaitFor("set: RETURN_OK"));
  pds.Type("close\r");
  ASSERT_TRUE(pds.WaitFor("[Y]es [N]o [C]ancel", &seen));
  EXPECT_THAT(seen, HasSubstr("(?) Save Changes\n  Save changes to project 'Pump1'?\n"));
  pds.Type("n");
  ASSERT_TRUE(pds.WaitFor("close: RETURN_OK"));
  ASSERT_TRUE(pds.WaitFor("PMP10> "));

  pds.Type("exit\r");
  ASSERT_TRUE(pds.WaitFor("exit: RETURN_OK"));
  EXPECT_EQ(pds.Finish(), 0);
  // The lines typed are kept for the next session.
  EXPECT_EQ(temp_.Read("state/pds/history"), "open\nset Notes changed\nclose\nexit\n");
}

// At the prompt a refused line is shown and the session goes on: the user
// types the line again, which a script could not.
TEST_F(TerminalSessionTest, RefusedLineAtThePromptDeletesNothingAndTheSessionGoesOn) {
  PtyProgram pds;
  ASSERT_TRUE(pds.Start({pds_, "session", "--root", temp_.path(), "--app", "PMP10", "--ui", "batch"},
                        {{"XDG_STATE_HOME", temp_ / "state"}, {"TERM", "xterm"}}));
  ASSERT_TRUE(pds.WaitFor("PMP10> "));
  pds.Type("delete Pump1 now --quiet\r");
  ASSERT_TRUE(pds.WaitFor("pds session: delete: unexpected word 'now'"));
  ASSERT_TRUE(pds.WaitFor("PMP10> "));
  pds.Type("status\r");
  ASSERT_TRUE(pds.WaitFor("status: RETURN_OK"));
  pds.Type("exit\r");
  ASSERT_TRUE(pds.WaitFor("exit: RETURN_OK"));
  EXPECT_EQ(pds.Finish(), 2);
  EXPECT_TRUE(std::filesystem::exists(temp_ / "P1/PROJECT.QVP"));
}

TEST_F(TerminalSessionTest, SignalEndingTheSessionMidDialogGivesTheTerminalBack) {
  PtyProgram pds;
  ASSERT_TRUE(pds.Start({pds_, "session", "--root", temp_.path(), "--app", "PMP10", "--ui", "terminal"},
                        {{"XDG_STATE_HOME", temp_ / "state"}, {"TERM", "xterm"}}));
  ASSERT_TRUE(pds.WaitFor("PMP10> "));
  pds.Type("open\r");
  ASSERT_TRUE(pds.WaitFor("[ Help ]"));
  termios modes{};
  ASSERT_TRUE(pds.Modes(&modes));
  ASSERT_EQ(modes.c_lflag & ECHO, 0u) << "keys are read in raw mode while the dialog is open";

  ::kill(pds.pid(), SIGTERM);
  EXPECT_EQ(pds.Finish(), 128 + SIGTERM);
  ASSERT_TRUE(pds.Modes(&modes));
  EXPECT_NE(modes.c_lflag & ECHO, 0u);
  EXPECT_NE(modes.c_lflag & ICANON, 0u);
  const std::string& raw = pds.raw();
  const std::size_t left = raw.rfind(ansi::kLeaveAltScreen);
  ASSERT_NE(left, std::string::npos);
  EXPECT_GT(left, raw.rfind(ansi::kEnterAltScreen));
}

}  // namespace
}  // namespace pds::terminal
