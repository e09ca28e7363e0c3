#!/usr/bin/env bash
# Builds lexicull and runs every test:
#   - the unit tests and the end-to-end cases on the program for this machine;
#   - the same again under AddressSanitizer and UndefinedBehaviorSanitizer;
#   - the same cases on the 32-bit Windows program under Wine (needs the
#     MinGW-w64 cross compiler and Wine);
#   - each libFuzzer target for FUZZ_SECONDS seconds (default 20; needs clang);
#   - inputs of more than 4 GiB through FIFOs, and 100 MiB words and lines.
# A suite whose tools are missing says SKIPPED; under CI that fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test || echo "Some test tools could not be installed: their suites will say SKIPPED."

skipped() {
  echo "SKIPPED: $1"
  if [ "${CI:-}" = true ]; then
    echo "CI must run every suite: failing." >&2
    exit 1
  fi
}

cmake --workflow --preset release
cmake --workflow --preset asan

if command -v i686-w64-mingw32-g++-posix > /dev/null && command -v wine > /dev/null; then
  # A new Wine prefix takes a while to set up; do it before anything is timed.
  WINEDEBUG=-all wineboot --init > /dev/null 2>&1 || true
  cmake --workflow --preset windows
else
  skipped "the Windows suite (needs g++-mingw-w64-i686 and wine with wine32; .ci/run installs them)"
fi

if command -v clang++ > /dev/null; then
  scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
else
  skipped "fuzzing (needs clang and libclang-rt-14-dev)"
fi

tests/limits/huge_inputs.sh build/release/lexicull
