// What an open says about a file it cannot use: not a file, not a database,
// or not ours to write, naming the file and never "in use", so the open's
// retry gives up at once. A FIFO or a device must not block the open. (A
// missing file and a text file are covered with the other open failures.)
#include <sys/stat.h>

#include <fstream>

#include "pds/db/db_helpers.h"
#include "pds/db/jet_errors.h"
#include "tests/engine/db_test_support.h"

namespace pds::db::test {
namespace {

namespace fs = std::filesystem;

struct BadFile {
  const char* name;
  const char* open;   // the name opened, in a folder holding the database Test.mdb
  const char* named;  // the entry the description names
  long number;
  bool folder = false;  // named as a folder rather than by the number's own text
};

class BadFileTest : public DbTest, public ::testing::WithParamInterface<BadFile> {
 protected:
  // Puts the entry the case is named after in place.
  void Make(const std::string& kind) {
    if (kind == "Folder") fs::create_directory(path("Folder.mdb"));
    if (kind == "Fifo") mkfifo(path("Fifo.mdb").c_str(), 0644);
    if (kind == "FifoAsJournal") mkfifo(path("Test.mdb-journal").c_str(), 0644);
    if (kind == "LinkToDevZero") fs::create_symlink("/dev/zero", path("Zero.mdb"));
    if (kind == "DamagedHeader") std::fstream(path(), std::ios::in | std::ios::out).seekp(16) << "damage";
  }
};

TEST_P(BadFileTest, EngineNamesTheFileAndOpenDbGivesUpAtOnce) {
  db_->Close();
  Make(GetParam().name);
  for (bool read_only : {true, false}) {
    EXPECT_EQ(ErrorTextOf([&] { DBEngine().OpenDatabase(path(GetParam().open), false, read_only); }),
              GetParam().folder ? FolderNotDatabaseText(path(GetParam().named))
                                : JetErrorText(GetParam().number, path(GetParam().named)));
    FakeClockEnv clock;
    platform::ScopedEnv scoped(&clock);
    DbHandle db;
    EXPECT_FALSE(OpenDb(db, path(GetParam().open), true, read_only));
    EXPECT_EQ(Err().number, GetParam().number);
    EXPECT_EQ(clock.sleeps(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BadFileTest,
    ::testing::Values(BadFile{"MissingFolder", "Gone/None.mdb", "Gone/None.mdb", kErrInvalidPath},
                      BadFile{"PathThroughAFile", "Test.mdb/None.mdb", "Test.mdb/None.mdb", kErrInvalidPath},
                      BadFile{"Folder", "Folder.mdb", "Folder.mdb", kErrInvalidPath, true},
                      BadFile{"Fifo", "Fifo.mdb", "Fifo.mdb", kErrUnrecognizedFormat},
                      BadFile{"FifoAsJournal", "Test.mdb", "Test.mdb-journal", kErrUnrecognizedFormat},
                      BadFile{"LinkToDevZero", "Zero.mdb", "Zero.mdb", kErrUnrecognizedFormat},
                      BadFile{"DamagedHeader", "Test.mdb", "Test.mdb", kErrUnrecognizedFormat}),
    [](const auto& info) { return std::string(info.param.name); });

// Write bits for its owner only, and we are not the owner: SQLite would
// quietly open it for reading, as it does an immutable file, and fail only at
// the first change. A privileged test takes an ordinary user's rights.
TEST_F(DbTest, FileWeMayNotWriteIsRefusedAtTheWritableOpen) {
  db_->Close();
  const std::string file = path("Copy.mdb");  // no connection kept from the set-up
  fs::copy_file(path(), file);
  chmod(folder_.path().c_str(), 0755);
  if (geteuid() != 0) chmod(file.c_str(), 0444);
  const bool privileged = geteuid() == 0;
  ASSERT_TRUE(!privileged || seteuid(65534) == 0);
  const std::string text = ErrorTextOf([&] { DBEngine().OpenDatabase(file, false, false); });
  const long read_only_open = ErrorNumberOf([&] { DBEngine().OpenDatabase(file, false, true)->Close(); });
  ASSERT_TRUE(!privileged || seteuid(0) == 0);
  EXPECT_EQ(text, JetErrorText(kErrCannotOpen, file));
  EXPECT_EQ(read_only_open, 0);
}

}  // namespace
}  // namespace pds::db::test
