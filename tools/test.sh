#!/usr/bin/env bash
# Installs what is missing, builds the native and both Windows targets and
# runs every test: native unit tests and fuzz runs, then the Win32 and
# end-to-end tests under Wine, once for each Windows architecture this
# machine can execute (i686 where it runs 32-bit code, x86_64 always; the
# Wine sessions are started and stopped by the test run). Each phase prints
# how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/wine-arch.sh

phase() { # name command...
  local started=$SECONDS
  echo "== $1"
  "${@:2}"
  echo "== $1: $((SECONDS - started)) s"
}

quiet() { "$@" >/dev/null; }

phase "installing what is missing" tools/install-deps.sh

echo "== which Windows programs run here"
arches=$(qmg_runnable_arches)
if [ -z "$arches" ]; then
  echo "test: this machine runs neither i686 nor x86_64 Windows programs under Wine (reasons above)" >&2
  exit 1
fi
for arch in $QMG_ARCHES; do
  if grep -qx "$arch" <<<"$arches"; then
    echo "   $arch: tested ($(qmg_preset "$arch") preset, $(qmg_wine_prefix "$arch") prefixes, $(qmg_wine_loader "$arch"))"
  else
    echo "   $arch: built, not tested: $(qmg_arch_probe "$arch")"
  fi
done

phase "native configure" quiet cmake --preset native
phase "native build" cmake --build --preset native
phase "native tests" ctest --preset native
for arch in $QMG_ARCHES; do
  preset=$(qmg_preset "$arch")
  phase "$preset configure" quiet cmake --preset "$preset"
  phase "$preset build" cmake --build --preset "$preset"
done
# The release packages, and the sample built and checked by an installed
# copy outside the source tree.
release_packages() {
  quiet cmake --preset release
  cmake --build --preset release
  (cd build/release && quiet cpack)
  (cd build/win32 && quiet cpack)
}
phase "release build and packages" release_packages
phase "installed copy builds the sample" tools/check-installed.sh build/release
for arch in $arches; do
  preset=$(qmg_preset "$arch")
  phase "$preset tests under Wine ($arch)" ctest --preset "$preset"
done
echo "== all done in $SECONDS s"
