#!/usr/bin/env bash
# Builds the release packages: a .deb of the Linux program and its man page,
# and a .zip of lexicull.exe with the README and the manual as text.
#   scripts/package.sh          build both, print where they are
#   scripts/package.sh --check  also install the .deb and run the program (needs root)
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release > /dev/null
cmake --build --preset release
(cd build/release && cpack)
cmake --preset windows > /dev/null
cmake --build --preset windows
(cd build/windows && cpack)

deb=$(ls build/release/packages/lexicull_*.deb)
zip=$(ls build/windows/packages/lexicull-*-win32.zip)
echo "packages: $deb $zip"

if [ "${1:-}" = --check ]; then
  apt-get install -y "./$deb"
  [ "$(lexicull --version | tr -d '\r')" = "lexicull $(dpkg-deb -f "$deb" Version)" ]
  man -w lexicull > /dev/null
  unzip -l "$zip" | grep -q 'lexicull.exe'
  echo "package check: the .deb installs and runs; the .zip holds lexicull.exe"
fi
