#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "script/product_scan.h"
#include "tests/native/script_fixture.h"

namespace {

std::set<std::string> presentFiles;
std::vector<std::string> offered; // "title@slot", in the order offered

bool PackagePresent(const char *path) { return presentFiles.count(path) != 0; }
void OfferProduct(const char *title, int slot) {
  offered.push_back(std::string(title) + "@" + std::to_string(slot));
}

std::vector<std::string> Scan(const std::string &text, std::set<std::string> present,
                              bool expectOk = true) {
  strcpy(SourceFolder, "D:\\DIST\\");
  presentFiles.clear();
  for (const std::string &name : present)
    presentFiles.insert("D:\\DIST\\" + name);
  offered.clear();
  ScriptFixture script(text);
  EXPECT_EQ(ScanProducts({PackagePresent, OfferProduct}), expectOk);
  if (expectOk)
    EXPECT_EQ(ScriptCursor, 0u);
  return offered;
}

using List = std::vector<std::string>;

const char TwoProducts[] =
    "#00000000 header\r\n"
    "L01=Reed Runner\r\nV=1.0\r\nF=REED\r\nZ=REED.QPK\r\n"
    "L02=Lily Links\r\nV=2.0\r\nF=LILY\r\nz=LILY1.QPK\r\nZ=LILY2.QPK\r\n";

TEST(ProductScan, OffersSectionsWithAtLeastOnePresentPackage) {
  struct Case {
    std::set<std::string> present;
    List expected;
  } cases[] = {
      {{"REED.QPK", "LILY1.QPK", "LILY2.QPK"}, {"Reed Runner@1", "Lily Links@2"}},
      {{"REED.QPK"}, {"Reed Runner@1"}},
      {{"LILY2.QPK"}, {"Lily Links@2"}}, // one present, one missing: offered
      {{}, {}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Scan(TwoProducts, c.present), c.expected);
}

TEST(ProductScan, RecordsTheTitlePositionOfEachSlot) {
  Scan(TwoProducts, {"REED.QPK", "LILY1.QPK"});
  ScriptFixture again(TwoProducts); // same text, same offsets
  EXPECT_EQ(again.From(ProductSections[1]).substr(0, 11), "Reed Runner");
  EXPECT_EQ(again.From(ProductSections[2]).substr(0, 10), "Lily Links");
}

TEST(ProductScan, SkipsWhatIsNotAnOfferableProductSection) {
  struct Case {
    const char *why;
    std::string text;
    List expected;
  } cases[] = {
      {"S sections are read past", "S01=Demo\nV=1\nF=D\nZ=P.QPK\n", {}},
      {"lower-case section letter", "l01=Lower\nV=1\nF=D\nZ=P.QPK\n", {"Lower@1"}},
      {"code outside the alphabet", "L0I=Bad code\nZ=P.QPK\n", {}},
      {"code with a lower-case letter", "L0a=Bad code\nZ=P.QPK\n", {}},
      {"slot past the table", "L20=Too far\nZ=P.QPK\n", {}},
      {"highest slot", "L1@=Last slot\nZ=P.QPK\n", {"Last slot@63"}},
      {"no Z line at all", "L01=Nothing\nV=1\nF=D\nU=P.QPK\n", {}},
      {"lower-case s ends the body", "L01=A\ns02=B\nZ=P.QPK\n", {}},
      {"lower-case l ends the body", "L01=A\nl02=B\nZ=P.QPK\n", {"B@2"}},
      {"Z name keeps trailing blanks", "L01=A\nZ=P.QPK  \n", {}},
      {"blank lines and remarks", "\n\n  # L09=Remark\r\n\tL03=Indented\n\n# x\n  Z=P.QPK", {"Indented@3"}},
      {"same code twice leads to the later section", "L01=First\nZ=P.QPK\nL01=Second\nZ=P.QPK\n",
       {"First@1", "Second@1"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Scan(c.text, {"P.QPK"}), c.expected);
  }
}

TEST(ProductScan, LaterSectionOwnsADuplicatedSlot) {
  std::string text = "L01=First\nZ=P.QPK\nL01=Second\nZ=P.QPK\n";
  Scan(text, {"P.QPK"});
  ScriptFixture again(text);
  EXPECT_EQ(again.From(ProductSections[1]).substr(0, 6), "Second");
}

TEST(ProductScan, MalformedLinesEndTheDialogWithTheirExcerpt) {
  struct Case {
    std::string text;
    const char *message;
  } cases[] = {
      {"L01 =Title\nZ=P.QPK\n", "Error: '=' expected at:\n =Title\nZ=P.QPK\n"},
      {"L01=Title\nZ =P.QPK\n", "Error: '=' expected at:\n =P.QPK\n"},
      {"L0", "Error: '=' expected at:\n"},
      {"L", "Error: '=' expected at:\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Scan(c.text, {"P.QPK"}, false), List{});
    EXPECT_EQ(RecordedUserInterface().messages, std::vector<std::string>{c.message});
    EXPECT_EQ(RecordedUserInterface().dialogResults, std::vector<int>{2});
  }
}

TEST(ProductScan, OverlongTitlesAndPackageNamesStayInsideTheirBuffers) {
  std::string longTitle(700, 'T');
  std::string longName(700, 'N');
  EXPECT_EQ(Scan("L01=" + longTitle + "\nZ=P.QPK\n", {"P.QPK"}), List{std::string(511, 'T') + "@1"});
  EXPECT_EQ(Scan("L01=A\nZ=" + longName + "\n", {longName.substr(0, 511)}), List{});
}

} // namespace
