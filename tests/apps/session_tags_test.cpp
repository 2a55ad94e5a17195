// The tag commands of `pds session` as a whole program: the tag operations
// on the current project, each printing its result code and the state it
// left, with one tag record set kept across commands.


#include "tests/apps/pds_command.h"
#include "tests/config/service_fixture.h"

namespace pds::test {
namespace {

using ::testing::HasSubstr;

class SessionTagsTest : public ServiceTest {
 protected:
  // Runs a PMP10 session in batch mode (every message goes to standard
  // error) with the commands on standard input; returns the exit code.
  int RunSession(const std::string& commands, bool json = false, const std::string& ui = "batch") {
    return RunPds(temp_, "session --root '" + temp_.path() + "' --app PMP10 --ui " + ui + (json ? " --json" : ""),
                  "TMPDIR='" + temp_.path() + "'", commands)
        .exit_code;
  }
  std::string Output() const { return temp_.Read("pds.out"); }
  std::string Errors() const { return temp_.Read("pds.err"); }
};

TEST_F(SessionTagsTest, TagOperationsReportTheirResultsAndTheTagsLeft) {
  Install();
  std::filesystem::create_directories(temp_ / "Plant");
  ASSERT_EQ(RunSession("new\\ntag new Pump\\ntag copy Pump\\ntag rename \"Pump(1)\" Spare\\ntag new Fan\\n"
                       "tag delete Fan\\ntag open Spare\\ntag save\\ntags\\ntag type Motor\\ntags\\n"
                       "tag type\\ndatadef TagName TagData\\nsave-as " + (temp_ / "Plant") + " Plant\\nexit\\n"),
            0)
      << Output() << Errors();
  const std::string out = Output();
  EXPECT_THAT(out, HasSubstr("tag new: RETURN_OK\n  name:"));
  EXPECT_THAT(out, HasSubstr("tag copy: RETURN_OK\n  name:                     Pump\n"
                             "  new name:                 Pump(1)\n  tag type:                 TagData\n"
                             "  tags:                     3\n  current tag:              Pump(1)\n"));
  EXPECT_THAT(out, HasSubstr("tag delete: RETURN_OK\n  name:                     Fan\n"));
  // The record set opened by `tag open` stands on the tag for the next command.
  EXPECT_THAT(out, HasSubstr("tag save: RETURN_OK\n  name:                     Spare\n"));
  EXPECT_THAT(out, HasSubstr("record set:               Spare (id "));
  EXPECT_THAT(out, HasSubstr("application dirty:        yes"));
  // The deleted tag is gone from the list, which follows the tags' order.
  EXPECT_THAT(out, HasSubstr("tags: RETURN_OK\n  tag type:                 TagData\n"
                             "  1:                        Untitled1 (id 1)\n  2:                        Pump (id 2)\n"
                             "  3:                        Spare (id 3)\ntag type: RETURN_OK\n"));
  // Motor has no tags; `tag type` alone shows the type it was switched to.
  EXPECT_THAT(out, HasSubstr("tags: RETURN_OK\n  tag type:                 Motor\ntag type: RETURN_OK\n"
                             "  tag type:                 Motor\n"));
  EXPECT_THAT(out, HasSubstr("datadef: FOUND\n  Table:                    TagData\n"
                             "  Field:                    TagName\n  FriendlyName:             Tag Name\n"));
}

TEST_F(SessionTagsTest, MissingAndTakenNamesGiveTheTagResultCodes) {
  Install();
  EXPECT_EQ(RunSession("new\\ntag open Missing\\ntag copy Untitled1 Untitled1\\ntag type Valve\\nexit\\n",
                       true),
            1)
      << Output() << Errors();
  const std::string out = Output();
  EXPECT_THAT(out, HasSubstr("{\"command\":\"tag open\",\"result\":\"RETURN_NO_TAGS\",\"name\":\"Missing\""));
  EXPECT_THAT(out, HasSubstr("{\"command\":\"tag copy\",\"result\":\"RETURN_TAG_ALREADY_EXISTS\""));
  EXPECT_THAT(out, HasSubstr("{\"command\":\"tag type\",\"result\":\"RETURN_ERROR\",\"tag type\":\"Valve\""));
  EXPECT_THAT(Errors(), HasSubstr("Tag was not found.  [Missing]"));
}

// The commands the other session tests leave out, driven through an answer
// file: the properties dialog and the save question at exit are answered
// from it, and nothing else may be shown.
TEST_F(SessionTagsTest, PropertiesValuesAndTagSavesThroughAnAnswerFile) {
  Install();
  std::filesystem::create_directories(temp_ / "Plant");
  temp_.Write("answers",
              "dialog frmProperties\n  type txtJobNumber \"J-7\"\n  click cmdOK\n"
              "msgbox \"Save Changes\" \"Save changes to project 'Plant'?\" -> No\n");
  ASSERT_EQ(RunSession("new\\nsave-as " + (temp_ / "Plant") +
                           " Plant\\nproperties\\nmru\\nconfig set Units Metric\\nconfig get Units\\n"
                           "proj-config set Scale 10\\nproj-config delete Scale\\nproj-config get Scale\\n"
                           "tag new Pump\\ntag save-as Pump Spare\\ntag save-all\\nexit\\n",
                       false, "script:'" + (temp_ / "answers") + "'"),
            0)
      << Output() << Errors();
  const std::string out = Output();
  EXPECT_THAT(out, HasSubstr("properties: RETURN_OK\n"));
  EXPECT_THAT(out, HasSubstr("mru: RETURN_OK\n  1:                        Plant (id 1)\n"));
  EXPECT_THAT(out, HasSubstr("config: FOUND\n  Units:                    Metric\n"));
  EXPECT_THAT(out, HasSubstr("proj-config: DELETED\n  key:                      Scale\nproj-config: NOT_FOUND\n"));
  EXPECT_THAT(out, HasSubstr("tag save-as: RETURN_OK\n  name:                     Pump\n"
                             "  new name:                 Spare\n"));
  // No provisional tag is selected, so there is nothing to save.
  EXPECT_THAT(out, HasSubstr("tag save-all: RETURN_OK\n"));
}

}  // namespace
}  // namespace pds::test
