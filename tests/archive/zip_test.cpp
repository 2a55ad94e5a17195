// Writing archives: what other zip tools read back, zip64 beyond 4 GiB, and
// that a run that fails or is cancelled leaves the previous archive whole and
// nothing else behind. Extraction from archives that lie: each case is built
// byte by byte and must be refused with its result code, leaving the
// destination folder (and everything around it) exactly as it was.
#include <algorithm>
#include <random>

#include "archive/zip_reader.h"
#include "archive/zip_writer.h"
#include "tests/archive/zip_bytes.h"
#include "tests/support/fault_env.h"
#include "tests/support/test_support.h"

namespace pds::archive {
namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

std::string TableText(std::size_t n) {
  std::string s;
  for (int row = 0; s.size() < n; ++row) s += "TAG-" + std::to_string(row) + "\tPump\t" + std::to_string(row * 7 % 113) + "\r\n";
  return s.substr(0, n);
}

class ZipWriteTest : public ::testing::Test {
 protected:
  test::TempFolder tmp_;
  std::vector<ArchiveItem> items_;
  void Add(const std::string& name, const std::string& content) {
    items_.push_back({name, tmp_.Write("src-" + std::to_string(items_.size()), content)});
  }
};

TEST_F(ZipWriteTest, OtherZipToolsReadNamesOrderAndContent) {
  // Small chunks, so the large item is cut and joined on several threads.
  ZipWriteOptions options;
  options.chunk_size = 256 << 10;
  options.whole_limit = 128 << 10;
  Add("PROJECT.QVP", "[Project]\r\nMaster Archive Version=AR002\r\n");
  Add("Project.mdb", RandomBytes(300 << 10, 1));
  Add("Pdsg1.dat", "");
  Add("Pdsg\xC3\xA9t\xC3\xA9.tbl", TableText(100 << 10));
  Add("Pdsg2.bin", TableText(700 << 10) + RandomBytes(600 << 10, 2) + TableText(500 << 10));
  std::vector<int> percents;
  options.hooks.progress = [&](int run, const std::string&, int) { percents.push_back(run); };
  std::string zip = tmp_ / "job.qva";
  ASSERT_TRUE(WriteZipArchive(zip, items_, options).ok());
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(percents.back(), 100);

  int status = 0;
  std::string out = test::Shell("unzip -t -qq '" + zip + "'", &status);
  EXPECT_EQ(status, 0) << out;
  out = test::Shell("python3 -m zipfile -t '" + zip + "'", &status);
  EXPECT_EQ(status, 0) << out;
  out = test::Shell("python3 -c \"import zipfile,sys\nfor i in zipfile.ZipFile(sys.argv[1]).infolist(): "
            "print(i.filename, i.compress_type, i.flag_bits & 0x800)\" '" + zip + "'", &status);
  EXPECT_EQ(out,
            "PROJECT.QVP 8 0\nProject.mdb 8 0\nPdsg1.dat 8 0\nPdsg\xC3\xA9t\xC3\xA9.tbl 8 2048\nPdsg2.bin 8 0\n");

  std::filesystem::create_directory(tmp_ / "out");
  ASSERT_TRUE(ExtractZipEntries(zip, tmp_ / "out", "*.*").ok());
  for (std::size_t i = 0; i < items_.size(); ++i) {
    EXPECT_EQ(tmp_.Read("out/" + items_[i].entry_name), tmp_.Read("src-" + std::to_string(i))) << items_[i].entry_name;
  }
}

TEST_F(ZipWriteTest, EntryOver4GiBUsesZip64) {
  std::string big = tmp_.Write("big.mdb", "");
  std::error_code ec;
  std::filesystem::resize_file(big, (4ull << 30) + 12345, ec);
  if (ec) GTEST_SKIP() << "no sparse file of 4 GiB here: " << ec.message();
  items_.push_back({"Project.mdb", big});
  Add("PdsgAfter.dat", "an entry that starts beyond 4 GiB");
  std::string zip = tmp_ / "big.qva";
  ZipResult r = WriteZipArchive(zip, items_);
  if (r.code() == 50) GTEST_SKIP() << "disk full";
  ASSERT_TRUE(r.ok()) << ZipErrorText(r.code());
  // The sizes come from the zip64 records; reading the entry after the big
  // one needs its zip64 offset (inflating 4 GiB again would only cost time).
  int status = 0;
  std::string out = test::Shell("python3 -c \"import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1])\n"
                          "for i in z.infolist(): print(i.filename, i.file_size)\n"
                          "print(z.read('PdsgAfter.dat').decode())\" '" + zip + "'", &status);
  EXPECT_EQ(out, "Project.mdb 4294979641\nPdsgAfter.dat 33\nan entry that starts beyond 4 GiB\n");
}

struct FailureCase {
  const char* label;
  int fail_write;  // 0: naming the finished archive fails
  int system_code;
  std::int32_t zip_code;
};

class ZipWriteFailureTest : public ZipWriteTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ZipWriteFailureTest, KeepsThePreviousArchiveAndLeavesNothing) {
  std::string zip = tmp_.Write("job.qva", "previous archive");
  Add("Project.mdb", TableText(3 << 20));
  Add("Pdsg1.dat", RandomBytes(1 << 20, 3));
  std::vector<std::string> before = test::FolderNames(tmp_.path());
  test::FaultEnv env;
  if (GetParam().fail_write == 0) {
    env.Fail(test::Call::kPublish, GetParam().system_code);
  } else {
    env.Fail(test::Call::kWriteAt, GetParam().system_code, {}, GetParam().fail_write - 1, 1);
  }
  platform::ScopedEnv scoped(&env);
  EXPECT_EQ(WriteZipArchive(zip, items_).code(), GetParam().zip_code);
  EXPECT_EQ(tmp_.Read("job.qva"), "previous archive");
  EXPECT_EQ(test::FolderNames(tmp_.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZipWriteFailureTest,
                         ::testing::Values(FailureCase{"DiskFullAtFirstWrite", 1, 39, 50},
                                           FailureCase{"DiskFullMidway", 4, 39, 50},
                                           FailureCase{"AccessDeniedMidway", 3, 5, 28},
                                           FailureCase{"NamingFails", 0, 5, 28}), pds::test::ByLabel());

TEST_F(ZipWriteTest, RefusedOrCancelledRequestsWriteNothing) {
  std::string zip = tmp_ / "job.qva";
  EXPECT_EQ(WriteZipArchive(zip, {}).code(), 11);
  Add("Pdsg1.dat", "a");
  Add("PDSG1.DAT", "b");
  EXPECT_EQ(WriteZipArchive(zip, items_).code(), 47);
  items_.pop_back();
  Add("sub/Pdsg2.dat", "b");
  EXPECT_EQ(WriteZipArchive(zip, items_).code(), 47);
  items_.back() = {"Pdsg2.dat", tmp_ / "missing"};
  EXPECT_EQ(WriteZipArchive(zip, items_).code(), 9);
  EXPECT_EQ(WriteZipArchive(tmp_ / "no-folder/job.qva", {items_.front()}).code(), 29);
  items_ = {};
  Add("Project.mdb", TableText(2 << 20));
  ZipWriteOptions options;
  options.hooks.keep_alive = [] { return false; };
  EXPECT_EQ(WriteZipArchive(zip, items_, options).code(), 48);
  EXPECT_EQ(test::FolderNames(tmp_.path()), (std::vector<std::string>{"src-0", "src-1"}));
}

struct TextCase {
  std::int32_t code;
  const char* text;
};

class ZipErrorTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ZipErrorTextTest, TextForCode) { EXPECT_EQ(ZipErrorText(GetParam().code), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Codes, ZipErrorTextTest,
                         ::testing::Values(TextCase{2, "Archive file is damaged (Unexpected EOF)"},
                                           TextCase{45, "The program is currently busy unarchiving another file.\r\r"},
                                           TextCase{50, "Disk full"}, TextCase{7, "Unknown zip error 0x7"},
                                           TextCase{0x1F4, "Unknown zip error 0x1F4"}),
                         [](const auto& info) { return "Code" + std::to_string(info.param.code); });

using test::BuildZip;
using test::RawEntry;

struct HostileCase {
  const char* label;
  std::function<std::string()> archive;  // the archive's bytes
  std::int32_t code;
};

std::string Good() { return BuildZip({{"Pdsg1.dat", "first"}, {"PROJECT.QVP", "[Project]"}}); }

const HostileCase kHostile[] = {
    {"ParentFolderName", [] { return BuildZip({{"../Pdsg1.dat", "x"}}); }, 3},
    {"AbsolutePath", [] { return BuildZip({{"/tmp/Pdsg1.dat", "x"}}); }, 3},
    {"Backslash", [] { return BuildZip({{"..\\Pdsg1.dat", "x"}}); }, 3},
    {"DriveLetter", [] { return BuildZip({{"C:Pdsg1.dat", "x"}}); }, 3},
    {"FolderPart", [] { return BuildZip({{"sub/Pdsg1.dat", "x"}}); }, 3},
    {"FolderEntry", [] { return BuildZip({{"Pdsg1/", ""}}); }, 3},
    {"SymbolicLink", [] { RawEntry e{"Pdsg1.dat", "/etc/passwd"}; e.unix_mode = 0120777; return BuildZip({e}); }, 3},
    {"DuplicateNames", [] { return BuildZip({{"Pdsg1.dat", "a"}, {"Pdsg1.dat", "b"}}); }, 3},
    {"DuplicateNamesButCase", [] { return BuildZip({{"Pdsg1.dat", "a"}, {"PDSG1.DAT", "b"}}); }, 3},
    {"HostileEntryBesideGoodOnes", [] { return BuildZip({{"Pdsg1.dat", "a"}, {"../Pdsg2.dat", "b"}}); }, 3},
    {"InflatesPastDeclaredSize",
     [] { RawEntry e{"Pdsg1.dat", std::string(200000, 'z')}; e.declared_size = 10; return BuildZip({e}); }, 3},
    {"InflatesShortOfDeclaredSize",
     [] { RawEntry e{"Pdsg1.dat", "short"}; e.declared_size = 99; return BuildZip({e}); }, 3},
    {"Truncated", [] { std::string z = Good(); return z.substr(0, z.size() / 2); }, 2},
    {"EmptyFile", [] { return std::string(); }, 2},
    {"CentralNameContradictsLocal",
     [] { RawEntry e{"Pdsg1.dat", "x"}; e.central_name = "Pdsg2.dat"; return BuildZip({e}); }, 3},
    {"UnknownMethod", [] { RawEntry e{"Pdsg1.dat", "x"}; e.method = 97; return BuildZip({e}); }, 42},
    {"Encrypted", [] { RawEntry e{"Pdsg1.dat", "x"}; e.flags |= 1; return BuildZip({e}); }, 41},
    {"CrcMismatch", [] { RawEntry e{"Pdsg1.dat", "payload"}; e.declared_crc = 1234; return BuildZip({e}); }, 39},
    {"NotAnArchive", [] { return std::string("this is plain text, not a zip file at all"); }, 3},
};

class ZipExtractTest : public ::testing::Test {
 protected:
  test::TempFolder tmp_;
  std::string out_ = tmp_ / "out";
  void SetUp() override { std::filesystem::create_directory(out_); }
};

class HostileArchiveTest : public ZipExtractTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileArchiveTest, IsRefusedAndWritesNothing) {
  std::string zip = tmp_.Write("hostile.qva", GetParam().archive());
  ZipResult r = ExtractZipEntries(zip, out_, "\"Pdsg*.*\"");
  EXPECT_EQ(r.code(), GetParam().code) << ZipErrorText(r.code()) << " " << r.detail;
  EXPECT_TRUE(test::FolderNames(out_).empty());
  EXPECT_EQ(test::FolderNames(tmp_.path()), (std::vector<std::string>{"hostile.qva", "out"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileArchiveTest, ::testing::ValuesIn(kHostile), pds::test::ByLabel());

TEST_F(ZipExtractTest, PatternIgnoresCaseAndTakesOnlyMatchingEntriesAndExtractAsWritesOneUnderTheGivenName) {
  std::string zip = tmp_.Write("a.qva", BuildZip({{"PROJECT.QVP", "p"}, {"pdsg1.dat", "one"}, {"PdsgTag.mdb", "two"},
                                                  {"Other1.dat", "three"}}));
  ASSERT_TRUE(ExtractZipEntries(zip, out_, "Pdsg*.*").ok());
  EXPECT_EQ(test::FolderNames(out_), (std::vector<std::string>{"PdsgTag.mdb", "pdsg1.dat"}));
  EXPECT_EQ(tmp_.Read("out/pdsg1.dat"), "one");
  ASSERT_TRUE(ExtractZipEntries(zip, out_, "PROJECT.QVP", {{}, "~QX1234.TMP"}).ok());
  EXPECT_EQ(test::FolderNames(out_), (std::vector<std::string>{"PdsgTag.mdb", "pdsg1.dat", "~QX1234.TMP"}));
  EXPECT_EQ(tmp_.Read("out/~QX1234.TMP"), "p");
}

TEST_F(ZipExtractTest, RefusalsBeforeReadingEntriesAndCancelLeaveNoFiles) {
  std::string zip = tmp_.Write("a.qva", BuildZip({{"Pdsg1.dat", "one"}}));
  EXPECT_EQ(ExtractZipEntries(zip, out_, "Xyz*.*").code(), 11);
  EXPECT_EQ(ExtractZipEntries(tmp_ / "missing.qva", out_, "*.*").code(), 9);
  EXPECT_EQ(ExtractZipEntries(out_, out_, "*.*").code(), 9);  // a folder given as the archive
  EXPECT_EQ(ExtractZipEntries(zip, tmp_ / "no-such-folder", "*.*").code(), 29);
  std::filesystem::create_directory(out_ + "/Pdsg1.dat");
  EXPECT_EQ(ExtractZipEntries(zip, out_, "*.*").code(), 28);
  EXPECT_EQ(test::FolderNames(out_), (std::vector<std::string>{"Pdsg1.dat"}));
  std::filesystem::remove(out_ + "/Pdsg1.dat");
  zip = tmp_.Write("b.qva", BuildZip({{"Pdsg1.dat", std::string(3 << 20, 'a')}}));
  ZipExtractOptions options;
  options.hooks.keep_alive = [] { return false; };
  EXPECT_EQ(ExtractZipEntries(zip, out_, "*.*", options).code(), 48);
  EXPECT_TRUE(test::FolderNames(out_).empty());
}

}  // namespace
}  // namespace pds::archive
