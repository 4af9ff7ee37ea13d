#include "qmgdist/package_limits.h"

bool MemberCountFits(size_t members, std::string &report) {
  if (members <= PackageMemberLimit)
    return true;
  report = std::to_string(members) + " files and folders, but the installer reads at most " +
           std::to_string(PackageMemberLimit) + " members in a package";
  return false;
}

bool FileSizeFits(const std::string &path, uint64_t size, std::string &report) {
  if (size < PackageFileSizeLimit)
    return true;
  report = path + ": " + std::to_string(size) + " bytes, but the installer reads only files below 4 GiB (at most " +
           std::to_string(PackageFileSizeLimit - 1) + " bytes)";
  return false;
}
