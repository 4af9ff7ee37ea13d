# Sourced by the scripts that run Windows programs: which Wine loader and
# which kind of prefix each Windows build runs under, and which of them this
# machine can execute. Each build is always run by the loader of its own
# architecture, never through Debian's "wine" wrapper, which picks the 32-bit
# loader whenever it is installed, even on a kernel that cannot run it.
#
#   qmg_wine_loader ARCH    the loader: i686 /usr/lib/wine/wine, x86_64 /usr/lib/wine/wine64
#   qmg_wine_prefix ARCH    WINEARCH of its prefixes: win32 or win64
#   qmg_preset ARCH         the CMake preset that builds it: win32 or win64
#   qmg_arch_probe ARCH     succeeds when this machine runs that loader; otherwise
#                           prints why not
#   qmg_runnable_arches     prints the architectures that run here, one line
#                           each, and tells on standard error why any other does not
#   qmg_program_arch FILE   i686 or x86_64, from the file's PE header (empty otherwise)

QMG_ARCHES="i686 x86_64"

qmg_wine_loader() {
  case "$1" in
  i686) echo /usr/lib/wine/wine ;;
  x86_64) echo /usr/lib/wine/wine64 ;;
  *) echo "wine-arch: unknown architecture '$1'" >&2; return 2 ;;
  esac
}

qmg_wine_prefix() {
  case "$1" in i686) echo win32 ;; x86_64) echo win64 ;; *) return 2 ;; esac
}

qmg_preset() {
  case "$1" in i686) echo win32 ;; x86_64) echo win64 ;; *) return 2 ;; esac
}

# Runs the loader itself, a program of that architecture: a kernel that runs
# no 32-bit code refuses the i686 loader with "Exec format error". Reading
# package versions would not tell.
qmg_arch_probe() {
  local loader output
  loader=$(qmg_wine_loader "$1") || return 2
  if [ ! -x "$loader" ]; then
    echo "$loader is not installed (tools/install-deps.sh brings it)"
    return 1
  fi
  if ! output=$("$loader" --version 2>&1); then
    echo "this machine cannot run $loader: ${output:-no output}"
    return 1
  fi
  return 0
}

qmg_runnable_arches() {
  local arch reason
  for arch in $QMG_ARCHES; do
    if reason=$(qmg_arch_probe "$arch"); then
      echo "$arch"
    else
      echo "wine-arch: $arch programs cannot run here: $reason" >&2
    fi
  done
}

qmg_program_arch() {
  local file=$1 offset machine
  [ -f "$file" ] || return 0
  offset=$(od -An -t u4 -j 60 -N 4 "$file" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || return 0
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$file" 2>/dev/null | tr -d ' ')
  case "$machine" in
  014c) echo i686 ;;
  8664) echo x86_64 ;;
  esac
}
