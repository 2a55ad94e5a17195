#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/env.h"

namespace pds::platform {
namespace {

// Starting and polling real child processes: the one place these tests wait
// in real time, briefly, for a child to end.
class ProcessTest : public ::testing::Test {
 protected:
  // Polls until the child ends; false when it is still running after 30 s.
  bool WaitForExit(int pid, int* code) {
    for (int i = 0; i < 3000; ++i) {
      bool running = true;
      Status s = env_->PollProcess(pid, &running, code);
      EXPECT_TRUE(s.ok()) << s.code;
      if (!s.ok()) return false;
      if (!running) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  Env* env_ = PosixEnv();
};

TEST_F(ProcessTest, ExitCodeOfChildIsReportedAndKeepsBeingAnswered) {
  int pid = 0;
  ASSERT_TRUE(env_->StartProcess({"/bin/sh", "-c", "exit 3"}, &pid).ok());
  int code = -1;
  ASSERT_TRUE(WaitForExit(pid, &code));
  EXPECT_EQ(code, 3);
  bool running = true;
  code = -1;
  ASSERT_TRUE(env_->PollProcess(pid, &running, &code).ok());
  EXPECT_FALSE(running);
  EXPECT_EQ(code, 3);
}

TEST_F(ProcessTest, BareProgramNameIsFoundInPath) {
  int pid = 0;
  ASSERT_TRUE(env_->StartProcess({"sh", "-c", "exit 7"}, &pid).ok());
  int code = -1;
  ASSERT_TRUE(WaitForExit(pid, &code));
  EXPECT_EQ(code, 7);
}

TEST_F(ProcessTest, RunningChildIsReportedRunningAndKilledChildGives128PlusSignal) {
  int pid = 0;
  ASSERT_TRUE(env_->StartProcess({"/bin/sh", "-c", "sleep 30"}, &pid).ok());
  bool running = false;
  int code = -1;
  ASSERT_TRUE(env_->PollProcess(pid, &running, &code).ok());
  EXPECT_TRUE(running);
  kill(pid, SIGKILL);
  ASSERT_TRUE(WaitForExit(pid, &code));
  EXPECT_EQ(code, 128 + SIGKILL);
}

TEST_F(ProcessTest, MissingProgramIsFileNotFoundAndAnUnknownProcessAnInvalidParameter) {
  int pid = 0;
  EXPECT_EQ(env_->StartProcess({"/nonexistent/translator"}, &pid).code, 2);
  EXPECT_EQ(env_->StartProcess({"pds-no-such-program-anywhere"}, &pid).code, 2);
  EXPECT_EQ(env_->StartProcess({}, &pid).code, 87);
  bool running = false;
  int code = 0;
  EXPECT_EQ(env_->PollProcess(1, &running, &code).code, 87) << "not a child of this process";
}

}  // namespace
}  // namespace pds::platform
