// The boundary public members run behind: what the body raises never reaches
// the caller; it is reported under the member's title and icon (or kept
// pending by the quiet form) and the member returns its failure value.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "tests/support/test_support.h"
#include "ui/boundary_guard.h"

namespace pds {
namespace {

class BoundaryGuardTest : public ::testing::Test {
 protected:
  void TearDown() override { ClearError(); }
  test::ScopedScriptedHost host_;
};

TEST_F(BoundaryGuardTest, RaisedErrorIsReportedUnderTitleAndIconAndGivesFailureValue) {
  host_->ExpectMsgBoxContaining("LockProject()", "Item not found in this collection.");
  const int rc =
      Guarded("LockProject()", vbCritical, -1, []() -> int { Raise(3265, "Item not found in this collection."); });
  EXPECT_EQ(rc, -1);
  EXPECT_TRUE(host_->Problems().empty());
  ASSERT_EQ(host_->shown().size(), 1u);
  EXPECT_EQ(host_->shown()[0].style, vbCritical);
  EXPECT_EQ(Err().number, 0) << "the reporter clears what it showed";
}

TEST_F(BoundaryGuardTest, CompletedBodyKeepsItsResultAndShowsNothing) {
  const std::string name =
      Guarded("GetAutoNewTagName()", vbExclamation, std::string(), [] { return std::string("P-2"); });
  EXPECT_EQ(name, "P-2");
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(BoundaryGuardTest, QuietFormKeepsAnyFailurePendingForTheCaller) {
  const bool ok = GuardedQuiet(true, []() -> bool { throw std::runtime_error("disk on fire"); });
  EXPECT_TRUE(ok) << "the failure value is what the caller chose";
  EXPECT_TRUE(host_->shown().empty());
  EXPECT_EQ(Err().number, 5);
  EXPECT_EQ(Err().description, "disk on fire");
}

}  // namespace
}  // namespace pds
