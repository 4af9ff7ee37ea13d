#!/usr/bin/env bash
# Brings every Debian package that the build and the tests need onto this
# machine. Idempotent: when everything is present it returns within a second.
set -euo pipefail

packages=(
  cmake ninja-build clang llvm libclang-rt-14-dev googletest libgtest-dev zlib1g-dev zip unzip
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine32:i386 wine64 fonts-wine xvfb imagemagick x11-utils
  libarchive-tools p7zip-full python3 bc dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi

install_plain() {
  $sudo apt-get update -q >/dev/null &&
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The i386 index of the security suite sometimes fails to download, which
# leaves amd64 libraries newer than their i386 twins and wine32 uninstallable
# ("held broken packages"). Retrying with only the main suites makes both
# architectures come from the same index.
install_main_suites_only() {
  local dir
  dir=$(mktemp -d)
  awk -v RS= -v ORS='\n\n' '!/Suites:[^\n]*-security/' \
    /etc/apt/sources.list.d/debian.sources > "$dir/main.sources"
  local opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$dir")
  $sudo apt-get "${opts[@]}" update -q >/dev/null &&
  $sudo apt-get "${opts[@]}" install -y -q --no-install-recommends "${missing[@]}"
}

if ! install_plain; then
  echo "install-deps: plain install failed; retrying with the main suites only"
  install_main_suites_only
fi
