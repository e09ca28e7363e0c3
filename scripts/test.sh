#!/usr/bin/env bash
# Builds lexicull and runs every test suite to its end, even when one fails,
# then prints one summary: a row per suite and the line "N passed, M failed".
#
#   scripts/test.sh [SUITE...]      (default: all of them, in this order)
#
#   release   unit tests and end-to-end cases on the program for this machine
#   asan      the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   tsan      the same under ThreadSanitizer, over a libhunspell built with it
#   windows   the same cases on a Windows program under Wine: the 32-bit one
#             where this machine runs 32-bit code, else the 64-bit one
#             (LEXICULL_WINDOWS_BITS=32 or 64 chooses instead)
#   s390x     the same on a big-endian s390x build under qemu-user
#   fuzz      each libFuzzer target for FUZZ_SECONDS seconds (default 20)
#   limits    inputs of more than 4 GiB through FIFOs, 100 MiB words and lines,
#             hostile EPUBs measured, an EPUB past 4 GiB
#   packages  the .deb (lintian-clean) and both Windows .zip files; with
#             LEXICULL_INSTALL_CHECK=1 the .deb is also installed, run and removed
#
# A suite whose tools are missing or unusable is reported as skipped, with the
# reason. The status is 1 when a suite failed or, under CI=true, was skipped.
set -uo pipefail
cd "$(dirname "$0")/.."

all_suites=(release asan tsan windows s390x fuzz limits packages)
suites=("${@:-${all_suites[@]}}")
logs=build/test-logs
mkdir -p "$logs"

# The suites' own words for the summary: why one was skipped, or what a
# passing one tested when that depends on the machine.
note() { echo "$*" > "$logs/$suite.note"; }
skip() {
  note "$*"
  exit 77
}
have() { command -v "$1" > /dev/null; }
need_googletest() {
  [ -f /usr/include/gtest/gtest.h ] || skip "GoogleTest is not installed (libgtest-dev)"
}
# cmake_suite PRESET: configure, build and run the tests; the preset asks for
# everything the suite needs.
cmake_suite() {
  local preset=$1
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
}

suite_release() {
  need_googletest
  cmake_suite release
}

suite_asan() {
  need_googletest
  cmake_suite asan
}

# need_clang_runtime SANITIZERS: skips when clang cannot link them.
need_clang_runtime() {
  have clang++ || skip "no clang++ (clang)"
  local probe=build/clang-probe
  mkdir -p "$probe"
  case $1 in
    fuzzer*) printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' ;;
    *) printf 'int main() { return 0; }\n' ;;
  esac > "$probe/probe.cc"
  clang++ -fsanitize="$1" "$probe/probe.cc" -o "$probe/probe" 2> "$probe/log" ||
    skip "clang++ $(clang++ -dumpversion) cannot link -fsanitize=$1 (libclang-rt-$(clang++ -dumpversion | cut -d. -f1)-dev): $(head -n 1 "$probe/log")"
}

suite_tsan() {
  need_googletest
  need_clang_runtime thread
  # libhunspell is built from Debian's source with ThreadSanitizer too.
  have dpkg-source || skip "no dpkg-source (dpkg-dev), which unpacks libhunspell's source"
  cmake_suite tsan
}

# wine_runs LOADER PROGRAM: whether Wine starts this program and it answers.
wine_runs() {
  local answer
  answer=$(WINEDEBUG=-all timeout 300 "$1" "$2" --version 2> "$logs/wine-probe.txt") &&
    [ "${answer%$'\r'}" = "lexicull $(version)" ]
}
version() { sed -n 's/^project(lexicull VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt; }
wine64_loader() {
  if have wine64; then command -v wine64; else echo /usr/lib/wine/wine64; fi
}

# windows_note BUILD BITS WHY: which program is tested and why, with the
# versions of the libraries that the archive served for its build. Said
# before the tests, so that a failure's summary names them too.
windows_note() {
  local built
  built=$(sed -sn '1s/.*(\(.*\))$/\1/p' "$1"/epub-libraries/licences/{expat,libxml2}.txt |
    paste -sd ',' - | sed 's/,/, /g')
  note "$2-bit program: $3${built:+; built with $built}"
}

# ctest_under_wine PRESET: the tests, with each failed one run once more.
# Wine now and then ends a program at its start with status 1 and no word
# (seen once in some thousand runs, never again in a loop of it): a case
# that passes when run again is named in the summary, one that fails
# twice fails the suite.
ctest_under_wine() {
  local failed_log="build/$1/Testing/Temporary/LastTestsFailed.log" failed
  rm -f "$failed_log"  # an earlier run's, which would name the wrong tests
  ctest --preset "$1" && return 0
  failed=$(cut -d: -f2 "$failed_log" 2> /dev/null | paste -sd ' ' -)
  # Without the names, ctest failed before any test could: nothing to retry.
  [ -n "$failed" ] || return 1
  echo "== running the failed tests once more: $failed"
  ctest --preset "$1" --rerun-failed --output-on-failure || return 1
  note "$(cat "$logs/$suite.note" 2> /dev/null); failed once under Wine and passed when run again: $failed"
}

suite_windows() {
  for compiler in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix; do
    have "$compiler" || skip "no $compiler (g++-mingw-w64-i686, g++-mingw-w64-x86-64)"
  done
  have groff || skip "no groff (groff-base), which renders the manual for the .zip"
  # The 32-bit program is what most users get: it is always built.
  cmake --preset windows
  cmake --build --preset windows

  local bits=${LEXICULL_WINDOWS_BITS:-} why
  case $bits in
    32) why="asked for by LEXICULL_WINDOWS_BITS=32" ;;
    64) why="asked for by LEXICULL_WINDOWS_BITS=64" ;;
    "")
      if have wine && wine_runs wine build/windows/lexicull.exe; then
        bits=32
        why="this machine runs 32-bit code"
      else
        bits=64
        local said
        said=$(grep -v '^[[:space:]]*$' "$logs/wine-probe.txt" 2> /dev/null | tail -n 1) || said=""
        # Without its 32-bit loader Wine often says nothing at all.
        if [ "$(dpkg --print-architecture 2> /dev/null)" = amd64 ] &&
          ! dpkg -s wine32:i386 > /dev/null 2>&1; then
          said="no wine32:i386, its 32-bit loader${said:+ ($said)}"
        fi
        why="Wine cannot run the 32-bit program here: ${said:-it gave no answer}"
      fi
      ;;
    *) echo "LEXICULL_WINDOWS_BITS must be 32 or 64, not '$bits'"; return 1 ;;
  esac
  echo "== testing the ${bits}-bit Windows program: $why"
  # One Wine server for all the tests, kept until they end: one that quits
  # when idle races the next program that connects to it, which then fails
  # with "wine client error:0: recvmsg: Connection reset by peer". The
  # probe's server goes first, since a second cannot start beside it.
  if have wineserver; then
    wineserver -k 2> /dev/null || true
    wineserver -w 2> /dev/null || true
    wineserver -p || echo "== the Wine server could not be made to stay: it may quit when idle"
    trap 'wineserver -k 2> /dev/null || true' EXIT
  fi
  if [ "$bits" = 32 ]; then
    have wine && wine_runs wine build/windows/lexicull.exe ||
      skip "the 32-bit program does not start under Wine ($why): $(tail -n 1 "$logs/wine-probe.txt")"
    windows_note build/windows "$bits" "$why"
    ctest_under_wine windows
  else
    cmake --preset windows64
    cmake --build --preset windows64
    wine_runs "$(wine64_loader)" build/windows64/lexicull.exe ||
      skip "the 64-bit program does not start under wine64 ($why): $(tail -n 1 "$logs/wine-probe.txt")"
    windows_note build/windows64 "$bits" "$why"
    ctest_under_wine windows64
  fi
}

suite_s390x() {
  have s390x-linux-gnu-g++ || skip "no s390x-linux-gnu-g++ (g++-s390x-linux-gnu)"
  have qemu-s390x || have qemu-s390x-static || skip "no qemu-s390x (qemu-user)"
  [ -f /usr/src/googletest/CMakeLists.txt ] || skip "no GoogleTest sources to build for s390x (googletest)"
  cmake_suite s390x
}

suite_fuzz() {
  # A clang without its matching runtime cannot link a fuzzer.
  need_clang_runtime fuzzer,address,undefined
  scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
}

suite_limits() {
  [ -x /usr/bin/time ] || skip "no /usr/bin/time (time)"
  cmake --preset release > /dev/null
  cmake --build --preset release --target lexicull
  local status=0
  tests/limits/huge_inputs.sh build/release/lexicull || status=1
  tests/limits/hostile_epubs.sh build/release/lexicull || status=1
  return $status
}

suite_packages() {
  have lintian || skip "no lintian"
  have zip || skip "no zip"
  local check=()
  [ "${LEXICULL_INSTALL_CHECK:-}" = 1 ] && check=(--check)
  scripts/package.sh "${check[@]}"
}

# The tools first; a group that cannot be installed shows up as its suites' skips.
scripts/install-deps.sh test || echo "Some test tools could not be installed: their suites will say why."

passed=0
failed=0
skipped=0
rows=()
for suite in "${suites[@]}"; do
  if ! declare -F "suite_$suite" > /dev/null; then
    echo "test.sh: no suite '$suite' (suites: ${all_suites[*]})" >&2
    exit 2
  fi
  echo
  echo "==== suite $suite"
  rm -f "$logs/$suite.note"
  started=$SECONDS
  # Each suite runs in a subshell of its own, stopping at its first failure.
  (set -e; "suite_$suite")
  status=$?
  seconds=$((SECONDS - started))
  text=$(cat "$logs/$suite.note" 2> /dev/null)
  case $status in
    0) result=passed; passed=$((passed + 1)) ;;
    77) result=skipped; skipped=$((skipped + 1)) ;;
    *) result=failed; failed=$((failed + 1)); text="status $status${text:+; $text}" ;;
  esac
  rows+=("$(printf '%-9s %-8s %5d s  %s' "$suite" "$result" "$seconds" "$text")")
done

echo
echo "==== summary"
printf '%-9s %-8s %7s  %s\n' suite result time note
printf '%s\n' "${rows[@]}"
if [ $skipped -gt 0 ] && [ "${CI:-}" = true ]; then
  echo "Under CI every suite must run: a skipped suite fails the run."
fi
echo "$passed passed, $failed failed, $skipped skipped"
[ $failed = 0 ] && { [ $skipped = 0 ] || [ "${CI:-}" != true ]; }
