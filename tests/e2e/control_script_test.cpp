// A control script that cannot be read: SETUP says so and ends without
// showing its dialog.
#include <windows.h>

#include "e2e_support.h"

namespace e2e {
namespace {

const char CtlError[] = "CTL error, nothing to do.";
const char Script[] = "L01=Reed Runner\r\nV=1.0\r\nF=REEDRUN\r\nZ=REED.QPK\r\n";

struct UnreadableCase {
  const char *what;
  void (*prepare)(const Distribution &distribution);
};

const UnreadableCase UnreadableCases[] = {
    {"no SETUP.CTL", [](const Distribution &) {}},
    {"an empty SETUP.CTL", [](const Distribution &distribution) { distribution.WriteScript(""); }},
    {"SETUP.CTL is a folder",
     [](const Distribution &distribution) {
       ASSERT_TRUE(CreateDirectoryA(distribution.PathOf("SETUP.CTL").c_str(), nullptr));
     }},
};

TEST(ControlScript, UnreadableScriptEndsSetupBeforeTheDialog) {
  for (const UnreadableCase &c : UnreadableCases) {
    SCOPED_TRACE(c.what);
    Distribution distribution;
    distribution.AddPackages({"REED.QPK"});
    ASSERT_NO_FATAL_FAILURE(c.prepare(distribution));
    SetupProcess setup(distribution.SetupExe());
    ASSERT_NO_FATAL_FAILURE(ExpectLastMessage(setup, CtlError));
  }
}

TEST(ControlScript, ScriptHeldOpenWithoutSharingIsUnreadable) {
  Distribution distribution;
  distribution.AddPackages({"REED.QPK"});
  distribution.WriteStampedScript(std::string(ScriptHeader) + Script);
  {
    setup_driver::UniqueHandle held(CreateFileA(distribution.PathOf("SETUP.CTL").c_str(), GENERIC_READ, 0,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    SetupProcess setup(distribution.SetupExe());
    ASSERT_NO_FATAL_FAILURE(ExpectLastMessage(setup, CtlError));
  }
  // Released, the same script is read and its product offered.
  DialogContents seen;
  ASSERT_NO_FATAL_FAILURE(ShowAndAbort(distribution, &seen));
  EXPECT_EQ(seen.products, AllSelected({"Reed Runner"}));
}

} // namespace
} // namespace e2e
