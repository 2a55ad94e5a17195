// The zip host window on its own: progress reaching both bars during a run,
// and every kind of failed run ending in the message box the user is meant
// to see.

#include <set>

#include "dialogs/frm_archive.h"
#include "pds/Controls.h"
#include "pds/UiHost.h"
#include "tests/archive/zip_bytes.h"
#include "tests/support/test_support.h"

namespace pds {
namespace {

// A scripted host that also keeps what the two bars and the item label held at every redraw.
class RecordingHost : public ui::ScriptedHost {
 public:
  void Refresh(Dialog& dialog) override {
    auto& form = static_cast<frmArchive&>(dialog);
    run.push_back(form.ProgressBar1.Value());
    item.push_back(form.ProgressBar2.Value());
    labels.insert(form.Label1.Caption());
    ScriptedHost::Refresh(dialog);
  }
  void ProcessEvents() override { ++events; }
  std::vector<long> run, item;
  std::set<std::string> labels;
  int events = 0;
};

std::string Quoted(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& p : paths) list += "\"" + p + "\" ";
  return list;
}

TEST(FrmArchiveProgressTest, BothBarsMoveThroughAMultiItemRunAndEventsAreProcessed) {
  auto host = std::make_shared<RecordingHost>();
  auto previous = SetUiHost(host);
  test::TempFolder tmp;
  std::vector<std::string> paths;
  // The middle item is compressed in pieces, so its own bar has steps between 0 and 100.
  paths.push_back(tmp.Write("PROJECT.QVP", std::string(4000, 'p')));
  paths.push_back(tmp.Write("Project.mdb", std::string(std::size_t{9} << 20, 'm')));
  paths.push_back(tmp.Write("PMP10Tag.mdb", std::string(4000, 't')));
  {
    frmArchive form;
    form.SetStatus("Archiving...");
    form.ShowProgress();
    EXPECT_TRUE(form.Archive(tmp / "out.qva", Quoted(paths), false, true));
    EXPECT_EQ(form.LastCode(), 0);
  }
  SetUiHost(previous);
  ASSERT_FALSE(host->run.empty());
  EXPECT_EQ(host->run.back(), 100);
  EXPECT_GT(std::set<long>(host->run.begin(), host->run.end()).size(), 2u) << "run bar never moved";
  EXPECT_GT(std::set<long>(host->item.begin(), host->item.end()).size(), 1u) << "item bar never moved";
  EXPECT_THAT(host->labels, ::testing::IsSupersetOf({"PROJECT.QVP", "Project.mdb", "PMP10Tag.mdb"}));
  EXPECT_GT(host->events, 0);
  EXPECT_THAT(host->failures(), ::testing::IsEmpty());
}

TEST(FrmArchiveItemListTest, QuotedPathsKeepTheirBlanksAndOrder) {
  EXPECT_THAT(frmArchive::ParseItemList("\"/a b/PROJECT.QVP\" \"/x/Project.mdb\" "),
              ::testing::ElementsAre("/a b/PROJECT.QVP", "/x/Project.mdb"));
  EXPECT_THAT(frmArchive::ParseItemList("  "), ::testing::IsEmpty());
}

TEST(FrmArchiveMessageRequestTest, DiskPromptsAreTheHostsOwnTextOthersKeepTheirs) {
  frmArchive form;
  const std::vector<std::pair<int, std::string>> cases = {
      {512, "Insert first disk and press OK when ready or Cancel to abort."},
      {513, "Insert next disk and press OK when ready or Cancel to abort."},
      {517, "Insert last disk and press OK when ready."},
      {520, "This disk is write-protected."},
      {514, "component text"},
  };
  for (const auto& [code, want] : cases) {
    std::string prompt = "component text";
    EXPECT_EQ(form.OnMessageRequest(kZipMessageRequestKind, code, prompt), 0);
    EXPECT_EQ(prompt, want) << code;
  }
  std::string prompt = "component text";
  form.OnMessageRequest(12, 512, prompt);
  EXPECT_EQ(prompt, "component text");
}

// ---- failures and the boxes they show

struct FailureCase {
  const char* label;
  // Prepares the folder and runs the form; returns its answer.
  std::function<bool(frmArchive&, const test::TempFolder&)> run;
  // The boxes shown, in order: title, text ("{}" stands for the folder).
  std::vector<std::pair<std::string, std::string>> boxes;
};

const char kExtractLead[] = "Unable to extract:  [\"Pdsg*.*\"] from archive \r\n[{}/a.qva]\r\n"
                            " because the following error occurred:\r\n\n";

// Extracts "Pdsg*.*" from a.qva, written first with bytes unless there are none.
std::function<bool(frmArchive&, const test::TempFolder&)> Extract(std::optional<std::string> bytes, bool show = true) {
  return [=](frmArchive& f, const test::TempFolder& t) {
    if (bytes) t.Write("a.qva", *bytes);
    return f.Extract(t / "a.qva", t.path(), "\"Pdsg*.*\"", show);
  };
}
test::RawEntry BadCrc() {
  test::RawEntry e{"Pdsg1.dat", "payload"};
  e.declared_crc = 1234;
  return e;
}

// A missing source file and a missing output folder are the project archive's failed runs.
const FailureCase kFailures[] = {
    {"ArchiveEmptyList",
     [](frmArchive& f, const test::TempFolder& t) { return f.Archive(t / "a.qva", "", false, true); },
     {{"Archive Error B", "No files found that match filespec"}}},
    {"ArchiveQuietShowsNothing",
     [](frmArchive& f, const test::TempFolder& t) { return f.Archive(t / "a.qva", "", false, false); },
     {}},
    {"ExtractMissingArchive", Extract(std::nullopt),
     {{"Retrieve Error 9", "Unable to extract:  [\"Pdsg*.*\"] from archive \r\n{}/a.qva does not exist."}}},
    {"ExtractNothingMatches", Extract(test::BuildZip({{"Other.dat", "x"}})),
     {{"Retrieve Error B", std::string(kExtractLead) + "No files found that match filespec"}}},
    {"ExtractTruncatedArchive", Extract(test::BuildZip({{"Pdsg1.dat", "x"}}).substr(0, 20)),
     {{"Retrieve Error 2", std::string(kExtractLead) + "Archive file is damaged (Unexpected EOF)"}}},
    {"ExtractBadCrcIsAnEntryEventFirst", Extract(test::BuildZip({BadCrc()})),
     {{"TVX UnArchive Error 27", "Archive file is damaged (Invalid CRC)"},
      {"Retrieve Error 27", std::string(kExtractLead) + "Archive file is damaged (Invalid CRC)"}}},
    {"ExtractQuietShowsNothing", Extract(std::nullopt, false), {}},
};

class FrmArchiveFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FrmArchiveFailureTest, ShowsTheCriticalBoxesAndAnswersFalse) {
  test::TempFolder tmp;
  test::ScopedScriptedHost host;
  for (const auto& [title, text] : GetParam().boxes) host->ExpectMsgBox(title, test::Fill(text, tmp.path()));
  frmArchive form;
  EXPECT_FALSE(GetParam().run(form, tmp));
  EXPECT_NE(form.LastCode(), 0);
  if (std::string(GetParam().label).starts_with("Archive")) {
    EXPECT_FALSE(fs::exists(tmp / "a.qva")) << "a failed archive run left a file behind";
  }
  EXPECT_THAT(host->Problems(), ::testing::IsEmpty());
  for (const auto& shown : host->shown()) {
    if (shown.kind == "msgbox") {
      EXPECT_EQ(shown.style, vbCritical);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FrmArchiveFailureTest, ::testing::ValuesIn(kFailures), pds::test::ByLabel());

}  // namespace
}  // namespace pds
