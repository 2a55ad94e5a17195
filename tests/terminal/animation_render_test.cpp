// A playing animation area (the project search's) drawn as a spinner that
// turns from one drawing of the form to the next, and not drawn at all once
// it stops.
#include <gtest/gtest.h>

#include <string>

#include "pds/Dialog.h"
#include "ui/terminal/form_view.h"
#include "ui/terminal/styled_text.h"

namespace pds::terminal {
namespace {

std::string Draw(const Dialog& dialog, FormView& view) {
  std::string text;
  for (const StyledLine& line : RenderDialog(dialog, view, 60, 12).lines) text += line.Plain() + "\n";
  return text;
}

TEST(AnimationRenderTest, PlayingAnimationTurnsBetweenDrawingsAndStoppedOneIsHidden) {
  Dialog dialog("frmSearching");
  auto& animation = dialog.Add<Animation>("aniSearch");
  animation.Open("/opt/pds/Search.avi");
  animation.Play();
  FormView view;
  const std::string first = Draw(dialog, view);
  const std::string second = Draw(dialog, view);
  EXPECT_NE(first.find("| working"), std::string::npos) << first;
  EXPECT_NE(second.find("/ working"), std::string::npos) << second;
  animation.Stop();
  EXPECT_EQ(Draw(dialog, view).find("working"), std::string::npos);
}

}  // namespace
}  // namespace pds::terminal
