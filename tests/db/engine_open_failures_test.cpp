// What an open says about a file it cannot use: missing, not a file, not a
// database, or not ours to read or write, each naming the file, and never
// "in use", so the open's retry gives up at once. Files SQLite would block on
// (a FIFO, a device) are refused before SQLite sees them.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/db/db_helpers.h"
#include "core/db/jet_errors.h"
#include "tests/db/db_test_support.h"

namespace pds::db::test {
namespace {

class BadDatabaseFileTest : public DbTest {
 protected:
  BadDatabaseFileTest() {
    MakeTable(*db_, "T", {{"n", dbLong}});
    db_->Execute("INSERT INTO T VALUES (1)", dbFailOnError);
    db_->Close();
  }
};

struct BadFile {
  const char* name;
  // Makes the bad entry in `folder`, which holds the good database Test.mdb;
  // returns the name to open.
  std::string (*make)(const std::string& folder);
  long number;
  const char* named;  // the entry the description names, in the folder
};

void PrintTo(const BadFile& bad, std::ostream* os) { *os << bad.name; }

std::string Written(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

const BadFile kBadFiles[] = {
    {"MissingFile", [](const std::string& d) { return d + "/None.mdb"; }, kErrFileNotFound, "None.mdb"},
    {"MissingFolderOnTheWay", [](const std::string& d) { return d + "/Gone/None.mdb"; }, kErrInvalidPath,
     "Gone/None.mdb"},
    {"PathThroughAFile", [](const std::string& d) { return d + "/Test.mdb/None.mdb"; }, kErrInvalidPath,
     "Test.mdb/None.mdb"},
    {"Folder",
     [](const std::string& d) {
       std::filesystem::create_directory(d + "/Folder.mdb");
       return d + "/Folder.mdb";
     },
     kErrInvalidPath, "Folder.mdb"},
    {"Fifo",
     [](const std::string& d) {
       mkfifo((d + "/Fifo.mdb").c_str(), 0644);
       return d + "/Fifo.mdb";
     },
     kErrUnrecognizedFormat, "Fifo.mdb"},
    {"LinkToDevZero",
     [](const std::string& d) {
       std::filesystem::create_symlink("/dev/zero", d + "/Zero.mdb");
       return d + "/Zero.mdb";
     },
     kErrUnrecognizedFormat, "Zero.mdb"},
    {"FifoAsJournal",
     [](const std::string& d) {
       mkfifo((d + "/Test.mdb-journal").c_str(), 0644);
       return d + "/Test.mdb";
     },
     kErrUnrecognizedFormat, "Test.mdb-journal"},
    {"EmptyFile", [](const std::string& d) { return Written(d + "/Empty.mdb", ""); }, kErrUnrecognizedFormat,
     "Empty.mdb"},
    {"TextFile", [](const std::string& d) { return Written(d + "/Text.mdb", "not a database at all"); },
     kErrUnrecognizedFormat, "Text.mdb"},
    {"DamagedHeader",
     [](const std::string& d) {
       std::fstream f(d + "/Test.mdb", std::ios::in | std::ios::out | std::ios::binary);
       f.seekp(16);
       f << std::string(200, '\x5a');
       return d + "/Test.mdb";
     },
     kErrUnrecognizedFormat, "Test.mdb"},
};

class BadFileTest : public BadDatabaseFileTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFileTest, EngineNamesTheFileAndOpenDbGivesUpAtOnce) {
  const BadFile& bad = GetParam();
  const std::string name = bad.make(folder_.path());
  const std::string named = path(bad.named);
  for (bool read_only : {true, false}) {
    SCOPED_TRACE(read_only ? "read-only" : "writable");
    long number = 0;
    std::string text;
    try {
      DBEngine().OpenDatabase(name, false, read_only);
    } catch (const RuntimeError& e) {
      number = e.number();
      text = e.description();
    }
    EXPECT_EQ(number, bad.number);
    EXPECT_EQ(text, JetErrorText(bad.number, named));

    FakeClockEnv clock;
    platform::ScopedEnv scoped(&clock);
    DbHandle db;
    EXPECT_FALSE(OpenDb(db, name, true, read_only));
    EXPECT_EQ(Err().number, bad.number);
    EXPECT_EQ(clock.sleeps(), 0);
    ClearError();
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, BadFileTest, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// Takes the rights of an ordinary user for its lifetime when the test runs
// privileged, since a privileged process reads and writes whatever it likes.
class ScopedOrdinaryUser {
 public:
  ScopedOrdinaryUser() {
    if (geteuid() == 0) active_ = seteuid(65534) == 0;
  }
  ~ScopedOrdinaryUser() {
    if (active_ && seteuid(0) != 0) std::abort();
  }
  ScopedOrdinaryUser(const ScopedOrdinaryUser&) = delete;
  ScopedOrdinaryUser& operator=(const ScopedOrdinaryUser&) = delete;
  bool active() const { return active_; }

 private:
  bool active_ = false;
};

class PermissionTest : public BadDatabaseFileTest {
 protected:
  PermissionTest() {
    std::filesystem::permissions(folder_.path(), std::filesystem::perms::owner_all |
                                                     std::filesystem::perms::group_read |
                                                     std::filesystem::perms::group_exec |
                                                     std::filesystem::perms::others_read |
                                                     std::filesystem::perms::others_exec);
    // A copy, so that no connection the engine keeps from the set-up is reused.
    std::filesystem::copy_file(path(), file_);
    chmod(file_.c_str(), 0644);
  }
  long OpenAs(bool read_only) {
    return ErrorNumberOf([&] { DBEngine().OpenDatabase(file_, false, read_only)->Close(); });
  }
  std::string OpenText() {
    return ErrorTextOf([&] { DBEngine().OpenDatabase(file_, false, false); });
  }

  const std::string file_ = path("Perm.mdb");
};

TEST_F(PermissionTest, UnreadableFileCannotBeOpenedEvenToRead) {
  chmod(file_.c_str(), 0);
  ScopedOrdinaryUser user;
  if (geteuid() == 0) GTEST_SKIP() << "no ordinary user to test as";
  EXPECT_EQ(ErrorTextOf([&] { DBEngine().OpenDatabase(file_, false, true); }), JetErrorText(kErrCannotOpen, file_));
}

// Write bits for its owner but none for us: SQLite would quietly open it for
// reading, as it does an immutable file, and fail only at the first change.
TEST_F(PermissionTest, FileWeMayNotWriteIsRefusedAtTheWritableOpen) {
  ScopedOrdinaryUser user;
  if (!user.active()) {
    chmod(file_.c_str(), 0444);  // the owner's own bits are all an ordinary user can take away
  }
  EXPECT_EQ(OpenText(), JetErrorText(kErrCannotOpen, file_));
  EXPECT_EQ(OpenAs(true), 0);
}

}  // namespace
}  // namespace pds::db::test
