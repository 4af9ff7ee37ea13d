// Which products the main dialog offers for a distribution: sections of the
// control script with at least one package present, listed by title, all
// selected; nothing at all when the script's header checksum is wrong.
#include <cctype>

#include "e2e_support.h"

namespace e2e {
namespace {

struct ListCase {
  const char *what;
  const char *body; // the script after its header line
  std::vector<std::string> packages;
  std::vector<std::string> offered; // in list order
};

const ListCase ListCases[] = {
    {"every product with a package, listed by title",
     "L01=Reed Runner\r\nV=1.0\r\nF=REEDRUN\r\nZ=REED.QPK\r\n"
     "L02=Lily Links\r\nV=2.1\r\nF=LILYLINK\r\nZ=LILY.QPK\r\n"
     "L03=Marsh Mahjong\r\nV=1.2\r\nF=MAHJONG\r\nZ=MAHJ.QPK\r\n",
     {"REED.QPK", "LILY.QPK", "MAHJ.QPK"},
     {"Lily Links", "Marsh Mahjong", "Reed Runner"}},
    {"S sections are never offered",
     "S01=Shared runtime\r\nZ=SHARED.QPK\r\nL02=Lily Links\r\nZ=LILY.QPK\r\n",
     {"SHARED.QPK", "LILY.QPK"},
     {"Lily Links"}},
    {"a section whose packages are all missing is not offered",
     "L01=Reed Runner\r\nZ=REED.QPK\r\nL02=Lily Links\r\nZ=LILY1.QPK\r\nZ=LILY2.QPK\r\n",
     {"REED.QPK"},
     {"Reed Runner"}},
    {"one package present of two is enough, whichever it is",
     "L01=Lily Links\r\nZ=LILY1.QPK\r\nZ=LILY2.QPK\r\nL02=Heron Hop\r\nZ=HERON1.QPK\r\nZ=HERON2.QPK\r\n",
     {"LILY1.QPK", "HERON2.QPK"},
     {"Heron Hop", "Lily Links"}},
    {"codes outside the alphabet or not starting with 0 or 1 are not offered",
     "L0I=Letter I\r\nZ=P.QPK\r\nL0Z=Letter Z\r\nZ=P.QPK\r\nL20=Starts with 2\r\nZ=P.QPK\r\n"
     "LA1=Starts with A\r\nZ=P.QPK\r\nL1@=Highest code\r\nZ=P.QPK\r\nL0Y=Code 0Y\r\nZ=P.QPK\r\n",
     {"P.QPK"},
     {"Code 0Y", "Highest code"}},
    {"lower-case letters, remarks, blank lines and indentation",
     "# L05=Remark\r\n\r\n   l06=Indented\r\n\t z=P.QPK\r\n",
     {"P.QPK"},
     {"Indented"}},
    {"no product section at all", "# nothing to install\r\n", {}, {}},
};

TEST(ProductList, OffersSectionsWithAPackagePresentSortedAndSelected) {
  for (const ListCase &c : ListCases) {
    SCOPED_TRACE(c.what);
    Distribution distribution;
    distribution.WriteStampedScript(std::string(ScriptHeader) + c.body);
    distribution.AddPackages(c.packages);
    DialogContents seen;
    ASSERT_NO_FATAL_FAILURE(ShowAndAbort(distribution, &seen));
    EXPECT_EQ(seen.products, AllSelected(c.offered));
  }
}

const char OneProduct[] = "L01=Reed Runner\r\nV=1.0\r\nF=REEDRUN\r\nZ=REED.QPK\r\n";

bool HasHexLetter(const std::string &digits) {
  for (char c : digits)
    if (c >= 'A' && c <= 'F')
      return true;
  return false;
}

// Spoils a stamped script in a way SETUP must notice.
struct HeaderCase {
  const char *what;
  void (*spoil)(Distribution &distribution);
  bool offered;
};

const HeaderCase HeaderCases[] = {
    {"stamped and untouched", [](Distribution &) {}, true},
    {"never stamped",
     [](Distribution &distribution) { distribution.WriteScript(std::string(ScriptHeader) + OneProduct); }, false},
    {"checksum digits in lower case",
     [](Distribution &distribution) {
       // Find a variant of the script whose checksum has a letter to lower.
       std::string script;
       for (int variant = 0;; variant++) {
         ASSERT_LT(variant, 50) << "no checksum with a letter digit";
         distribution.WriteStampedScript(std::string(ScriptHeader) + OneProduct + "# variant " +
                                         std::to_string(variant) + "\r\n");
         script = distribution.ReadScript();
         if (HasHexLetter(script.substr(1, 8)))
           break;
       }
       for (size_t i = 1; i <= 8; i++)
         script[i] = static_cast<char>(tolower(static_cast<unsigned char>(script[i])));
       distribution.WriteScript(script);
     },
     false},
    {"changed after stamping",
     [](Distribution &distribution) {
       std::string script = distribution.ReadScript();
       script.replace(script.find("V=1.0"), 5, "V=1.1");
       distribution.WriteScript(script);
     },
     false},
};

TEST(ProductList, IsEmptyWhenTheHeaderChecksumDoesNotMatch) {
  for (const HeaderCase &c : HeaderCases) {
    SCOPED_TRACE(c.what);
    Distribution distribution;
    distribution.AddPackages({"REED.QPK"});
    distribution.WriteStampedScript(std::string(ScriptHeader) + OneProduct);
    ASSERT_NO_FATAL_FAILURE(c.spoil(distribution));
    DialogContents seen;
    ASSERT_NO_FATAL_FAILURE(ShowAndAbort(distribution, &seen));
    EXPECT_EQ(seen.products, AllSelected(c.offered ? std::vector<std::string>{"Reed Runner"}
                                                   : std::vector<std::string>{}));
  }
}

} // namespace
} // namespace e2e
