// The limits of what the installer reads of a package, at their edges.
#include <gtest/gtest.h>

#include <string>

#include "qmgdist/package_limits.h"

namespace {

TEST(PackageLimits, MemberCountAndFileSizeAtTheirEdges) {
  struct Count {
    size_t members;
    std::string report;
  } counts[] = {
      {0, ""},
      {65535, ""},
      {65536, "65536 files and folders, but the installer reads at most 65535 members in a package"},
  };
  for (const Count &c : counts) {
    std::string report;
    EXPECT_EQ(MemberCountFits(c.members, report), c.report.empty()) << c.members;
    EXPECT_EQ(report, c.report);
  }
  struct Size {
    uint64_t size;
    bool fits;
  } sizes[] = {{0, true}, {0xFFFFFFFE, true}, {0xFFFFFFFF, false}, {uint64_t{1} << 32, false}, {~uint64_t{0}, false}};
  for (const Size &s : sizes) {
    std::string report;
    EXPECT_EQ(FileSizeFits("big.bin", s.size, report), s.fits) << s.size;
    EXPECT_EQ(report.empty(), s.fits) << report;
  }
}

} // namespace
