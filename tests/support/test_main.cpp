#include <gtest/gtest.h>

namespace pds::test {
int RunHelperIfAsked(int argc, char** argv, bool* ran);
}

int main(int argc, char** argv) {
  bool ran = false;
  int rc = pds::test::RunHelperIfAsked(argc, argv, &ran);
  if (ran) return rc;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
