#!/usr/bin/env bash
# Builds lexicull and runs every test: the unit tests and the end-to-end cases,
# on the program for this machine and, when the cross compiler and Wine are
# installed, on the 32-bit Windows program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --workflow --preset release

if command -v i686-w64-mingw32-g++-posix > /dev/null && command -v wine > /dev/null; then
  # A new Wine prefix takes a while to set up; do it before anything is timed.
  WINEDEBUG=-all wineboot --init > /dev/null 2>&1 || true
  cmake --workflow --preset windows
else
  echo "SKIPPED: the Windows suite (needs g++-mingw-w64-i686 and wine with wine32; .ci/run installs them)"
  if [ "${CI:-}" = true ]; then
    echo "CI must run the Windows suite: failing." >&2
    exit 1
  fi
fi
