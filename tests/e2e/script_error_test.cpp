// A section or package line without its '=': SETUP shows where the script
// went wrong and ends without its dialog and without the completion notice.
#include "e2e_support.h"

namespace e2e {
namespace {

const char Expected[] = "Error: '=' expected at:\n";

struct MalformedCase {
  const char *what;
  const char *body;    // the script after its header line
  const char *excerpt; // up to 20 characters from where the '=' belonged
};

const MalformedCase MalformedCases[] = {
    {"blank before the '=' of a product line",
     "L01 =Reed Runner\r\nV=1.0\r\nF=REEDRUN\r\nZ=REED.QPK\r\n", " =Reed Runner\r\nV=1.0"},
    {"blank before the '=' of a package line", "L01=Reed Runner\r\nV=1.0\r\nZ =REED.QPK\r\n",
     " =REED.QPK\r\n"},
    {"package line of a later section, after an offerable one",
     "L01=Reed Runner\r\nZ=REED.QPK\r\nL02=Lily Links\r\nZx=LILY.QPK\r\nL03=Marsh Mahjong\r\nZ=MAHJ.QPK\r\n",
     "x=LILY.QPK\r\nL03=Mars"},
    {"product line without '=' at all", "L02Lily Links\r\nZ=LILY.QPK\r\n", "Lily Links\r\nZ=LILY.Q"},
    {"product line cut off at the end of the script", "L01=Reed Runner\r\nZ=REED.QPK\r\nL02", ""},
};

TEST(ScriptError, MissingEqualsSignIsShownWithItsPlaceAndEndsSetup) {
  for (const MalformedCase &c : MalformedCases) {
    SCOPED_TRACE(c.what);
    Distribution distribution;
    distribution.AddPackages({"REED.QPK", "LILY.QPK", "MAHJ.QPK"});
    distribution.WriteStampedScript(std::string(ScriptHeader) + c.body);
    SetupProcess setup(distribution.SetupExe());
    ASSERT_NO_FATAL_FAILURE(ExpectLastMessage(setup, std::string(Expected) + c.excerpt));
  }
}

} // namespace
} // namespace e2e
