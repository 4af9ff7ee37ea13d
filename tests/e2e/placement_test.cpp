// Where the main dialog opens: centred on the screen, or in the top-left
// corner of a screen narrower than 800 pixels. ctest runs this on a
// 1024x768 and on a 640x480 Wine desktop.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "e2e_support.h"

namespace e2e {
namespace {

TEST(Placement, DialogIsCentredOrInTheCornerOfANarrowScreen) {
  SIZE screen = setup_driver::ScreenSize();
  // Guards the ctest entry for the small desktop against running elsewhere.
  if (const char *which = getenv("QMG_WINE_SCREEN"); which && !strcmp(which, "small")) {
    ASSERT_LT(screen.cx, 800) << "the small Wine desktop is not narrow";
  }

  Distribution distribution;
  distribution.AddPackages({"REED.QPK"});
  distribution.WriteStampedScript(std::string(ScriptHeader) + "L01=Reed Runner\r\nZ=REED.QPK\r\n");
  DialogContents seen;
  ASSERT_NO_FATAL_FAILURE(ShowAndAbort(distribution, &seen));

  const int width = seen.rect.right - seen.rect.left, height = seen.rect.bottom - seen.rect.top;
  SCOPED_TRACE("screen " + std::to_string(screen.cx) + "x" + std::to_string(screen.cy) + ", dialog " +
               std::to_string(width) + "x" + std::to_string(height));
  ASSERT_GT(width, 0);
  ASSERT_GT(height, 0);
  POINT expected = {0, 0};
  if (screen.cx >= 800) {
    expected.x = std::max(0, std::min<int>(screen.cx / 2 - width / 2, screen.cx - width));
    expected.y = std::max(0, std::min<int>(screen.cy / 2 - height / 2, screen.cy - height));
  }
  EXPECT_EQ(seen.rect.left, expected.x);
  EXPECT_EQ(seen.rect.top, expected.y);
}

} // namespace
} // namespace e2e
