// qmgdist.exe check predicts what the player meets: broken scripts over the
// sample distribution, installed by SETUP.EXE, show the very messages that
// check prints, at the line it names.
#include <windows.h>

#include "e2e_support.h"
#include "installation.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

struct PredictionCase {
  const char *what;
  const char *body;    // the script after its header line
  const char *finding; // what check prints before the message
  const char *message; // what SETUP.EXE shows, lines joined by a blank
};

const PredictionCase PredictionCases[] = {
    {"an unknown command letter",
     "L01=Reed Runner\r\nV=1.0\r\nF=REEDRUN\r\nC=UNSETUP.EXE=unsetup.exe\r\nQ=what\r\nZ=REEDRUN.QPK\r\n",
     "SETUP.CTL:6: error: SETUP.EXE shows ", "Unknown command in SETUP file:\nQ=what\r\nZ=REEDRUN.QP"},
    {"a package made with another product's key",
     "L01=Reed Runner\r\nV=1.0\r\nF=REEDRUN\r\nC=UNSETUP.EXE=unsetup.exe\r\nZ=LILYLINK.QPK\r\n",
     "SETUP.CTL:6: error: SETUP.EXE shows ", "Error unpacking LILYLINK.QPK"},
    {"a section without its version",
     "L01=Reed Runner\r\nF=REEDRUN\r\nC=UNSETUP.EXE=unsetup.exe\r\nZ=REEDRUN.QPK\r\n",
     "SETUP.CTL:3: error: SETUP.EXE shows ", "Expected VERSION specification in CTL file:\nF=REEDRUN"},
};

// Each run of line breaks as one blank, as check prints a message.
std::string OneLine(const std::string &text) {
  std::string line;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] != '\r' && text[i] != '\n')
      line += text[i];
    else if (i == 0 || (text[i - 1] != '\r' && text[i - 1] != '\n'))
      line += ' ';
  }
  return line;
}

class CheckPrediction : public testing::Test {
protected:
  void SetUp() override {
    DeleteSampleEntries();
    RemoveTree(setup_driver::ProgramsGroup());
  }
  void TearDown() override {
    DeleteSampleEntries();
    RemoveTree(setup_driver::ProgramsGroup());
  }

  // Installs every offered product and returns the messages shown.
  static std::vector<std::string> Install(const Distribution &distribution, const std::string &installFolder) {
    SetupProcess setup(distribution.SetupExe());
    Shown dialog = setup.Next();
    EXPECT_TRUE(IsMainDialog(dialog));
    if (dialog.kind != Shown::MainDialog)
      return {};
    setup.SetFolder(dialog.window, installFolder);
    setup.Press(dialog.window, IDC_INSTALL);
    std::vector<std::string> messages;
    for (Shown next = setup.Next(true); next.kind != Shown::Exit; next = setup.Next(true)) {
      if (next.kind == Shown::MessageBox)
        messages.push_back(next.text);
      setup.Answer(next.window);
    }
    return messages;
  }
};

TEST_F(CheckPrediction, CheckPrintsTheMessageThePlayerSees) {
  for (const PredictionCase &c : PredictionCases) {
    SCOPED_TRACE(c.what);
    Distribution distribution;
    distribution.CopyFrom(setup_driver::ToWindowsPath(QMG_SAMPLE_DISTRIBUTION));
    distribution.WriteStampedScript(std::string(ScriptHeader) + c.body);

    std::string checked;
    DWORD status = RunProgram(setup_driver::ToWindowsPath(QMG_QMGDIST_EXE), "check \"" + distribution.Folder() + "\"",
                              distribution.Folder() + ".check.log", checked);
    DeleteFileA((distribution.Folder() + ".check.log").c_str());
    EXPECT_EQ(status, 1u) << checked;
    std::string expected = std::string(c.finding) + "\"" + OneLine(c.message) + "\"";
    EXPECT_NE(checked.find(expected), std::string::npos) << "expected: " << expected << "\nprinted:\n" << checked;

    std::vector<std::string> shown = Install(distribution, FreshScratchFolder("check-prediction") + "\\Games");
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(OneLine(shown.front()), OneLine(c.message));
    DeleteSampleEntries();
  }
}

} // namespace
} // namespace e2e
