#include "tests/config/service_fixture.h"

#include <fstream>

namespace pds::test {

// ---- helper processes

namespace {

// args: database path, marker written once the database is held.
PDS_TEST_HELPER(hold_exclusively) {
  std::shared_ptr<db::Database> db;
  try {
    db = db::DBEngine().OpenDatabase(args.at(0), true, false);
  } catch (const RuntimeError&) {
    return 3;
  }
  std::ofstream(args.at(1)) << "held";
  for (;;) pause();
}

// args: database paths. 0 when every one opened exclusively at the first attempt, 1 otherwise.
PDS_TEST_HELPER(open_exclusively) {
  for (const std::string& path : args) {
    try {
      db::DBEngine().SetOption(db::dbLockDelay, Variant(static_cast<std::int32_t>(0)));
      db::DBEngine().OpenDatabase(path, true, false)->Close();
    } catch (const RuntimeError&) {
      return 1;
    }
  }
  return 0;
}

}  // namespace

bool OtherProcessCanOpenExclusively(const std::vector<std::string>& db_paths) {
  HelperProcess other;
  return other.Start("open_exclusively", db_paths) && other.Wait() == 0;
}

}  // namespace pds::test
