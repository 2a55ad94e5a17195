// Extraction from archives that lie: each case is built byte by byte and must
// be refused with its result code, leaving the destination folder (and
// everything around it) exactly as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/zip_reader.h"
#include "tests/archive/zip_bytes.h"
#include "tests/support/test_support.h"

namespace pds::archive {
namespace {

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

class HostileArchiveTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileArchiveTest, IsRefusedAndWritesNothing) {
  test::TempFolder tmp;
  std::filesystem::create_directory(tmp / "out");
  std::string zip = tmp.Write("hostile.qva", GetParam().archive());
  ZipResult r = ExtractZipEntries(zip, tmp / "out", "\"Pdsg*.*\"");
  EXPECT_EQ(r.code(), GetParam().code) << ZipErrorText(r.code()) << " " << r.detail;
  EXPECT_TRUE(test::FolderNames(tmp / "out").empty());
  EXPECT_EQ(test::FolderNames(tmp.path()), (std::vector<std::string>{"hostile.qva", "out"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileArchiveTest, ::testing::ValuesIn(kHostile),
                         [](const auto& info) { return std::string(info.param.label); });

class ZipExtractTest : public ::testing::Test {
 protected:
  test::TempFolder tmp_;
  std::string out_ = tmp_ / "out";
  void SetUp() override { std::filesystem::create_directory(out_); }
};

TEST_F(ZipExtractTest, PatternIgnoresCaseAndTakesOnlyMatchingEntries) {
  std::string zip = tmp_.Write("a.qva", BuildZip({{"PROJECT.QVP", "p"}, {"pdsg1.dat", "one"}, {"PdsgTag.mdb", "two"},
                                                  {"Other1.dat", "three"}}));
  ASSERT_TRUE(ExtractZipEntries(zip, out_, "Pdsg*.*").ok());
  EXPECT_EQ(test::FolderNames(out_), (std::vector<std::string>{"PdsgTag.mdb", "pdsg1.dat"}));
  EXPECT_EQ(tmp_.Read("out/pdsg1.dat"), "one");
}

TEST_F(ZipExtractTest, ExtractAsWritesTheOneEntryUnderTheGivenName) {
  std::string zip = tmp_.Write("a.qva", BuildZip({{"PROJECT.QVP", "[Project]"}, {"Pdsg1.dat", "one"}}));
  ASSERT_TRUE(ExtractZipEntries(zip, out_, "PROJECT.QVP", {{}, "~QX1234.TMP"}).ok());
  EXPECT_EQ(test::FolderNames(out_), (std::vector<std::string>{"~QX1234.TMP"}));
  EXPECT_EQ(tmp_.Read("out/~QX1234.TMP"), "[Project]");
}

TEST_F(ZipExtractTest, RefusalsBeforeReadingEntries) {
  std::string zip = tmp_.Write("a.qva", BuildZip({{"Pdsg1.dat", "one"}}));
  EXPECT_EQ(ExtractZipEntries(zip, out_, "Xyz*.*").code(), 11);
  EXPECT_EQ(ExtractZipEntries(tmp_ / "missing.qva", out_, "*.*").code(), 9);
  EXPECT_EQ(ExtractZipEntries(out_, out_, "*.*").code(), 9);  // a folder given as the archive
  EXPECT_EQ(ExtractZipEntries(zip, tmp_ / "no-such-folder", "*.*").code(), 29);
  std::filesystem::create_directory(out_ + "/Pdsg1.dat");
  EXPECT_EQ(ExtractZipEntries(zip, out_, "*.*").code(), 28);
  EXPECT_EQ(test::FolderNames(out_), (std::vector<std::string>{"Pdsg1.dat"}));
}

TEST_F(ZipExtractTest, CancelLeavesNoFiles) {
  std::string zip = tmp_.Write("a.qva", BuildZip({{"Pdsg1.dat", std::string(3 << 20, 'a')}}));
  ZipExtractOptions options;
  options.hooks.keep_alive = [] { return false; };
  EXPECT_EQ(ExtractZipEntries(zip, out_, "*.*", options).code(), 48);
  EXPECT_TRUE(test::FolderNames(out_).empty());
}

}  // namespace
}  // namespace pds::archive
