// A process started with standard descriptors closed: after the check each
// of 0, 1 and 2 is open on /dev/null, so the next file opened gets 3 or more
// and nothing printed or read reaches it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "pds/StdDescriptors.h"
#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

bool IsDevNull(int fd) {
  struct stat st, null_st;
  return fstat(fd, &st) == 0 && stat("/dev/null", &null_st) == 0 && S_ISCHR(st.st_mode) &&
         st.st_rdev == null_st.st_rdev;
}

// In a child process: closes the descriptors, runs the check, and exits 0
// when every standard descriptor is open and a new file gets at least 3.
void CloseCheckAndOpen(const std::vector<int>& closed, const std::string& file) {
  for (int fd : closed) close(fd);
  if (!EnsureStandardDescriptors()) std::_Exit(10);
  for (int fd : closed) {
    if (!IsDevNull(fd)) std::_Exit(11);
  }
  const int opened = open(file.c_str(), O_RDWR | O_CREAT, 0644);
  std::_Exit(opened >= 3 ? 0 : 12);
}

struct ClosedCase {
  const char* label;
  std::vector<int> closed;
};

class StandardDescriptorsTest : public ::testing::TestWithParam<ClosedCase> {
 protected:
  test::TempFolder temp_;
};

TEST_P(StandardDescriptorsTest, ClosedOnesAreFilledBeforeAnyFileIsOpened) {
  EXPECT_EXIT(CloseCheckAndOpen(GetParam().closed, temp_ / "App.mdb"), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Closed, StandardDescriptorsTest,
                         ::testing::Values(ClosedCase{"Input", {0}}, ClosedCase{"Output", {1}},
                                           ClosedCase{"OutputAndError", {1, 2}},
                                           ClosedCase{"All", {0, 1, 2}}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(StandardDescriptorsOpenTest, OpenOnesAreLeftAsTheyAre) {
  struct stat before;
  ASSERT_EQ(fstat(1, &before), 0);
  ASSERT_TRUE(EnsureStandardDescriptors());
  struct stat after;
  ASSERT_EQ(fstat(1, &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(before.st_dev, after.st_dev);
}

}  // namespace
}  // namespace pds::platform
