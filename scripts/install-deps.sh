#!/usr/bin/env bash
# Installs the Debian packages that lexicull's build, or its tests, need and
# that are missing. Needs root (or sudo) only when something is missing.
#
#   scripts/install-deps.sh build    compiler and CMake
#   scripts/install-deps.sh test     everything every test suite needs
set -euo pipefail

build=(cmake g++ make)
test=("${build[@]}" libgtest-dev googletest groff-base zip unzip python3 util-linux time
      clang libclang-rt-14-dev g++-mingw-w64-i686 wine wine32:i386)
case ${1:-} in
  build) wanted=("${build[@]}") ;;
  test) wanted=("${test[@]}") ;;
  *) echo "usage: scripts/install-deps.sh build|test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  dpkg -s "$package" > /dev/null 2>&1 || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" != 0 ]; then
  command -v sudo > /dev/null || { echo "install-deps: missing ${missing[*]}; run as root to install them" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# Wine's 32-bit loader comes from the i386 architecture.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
