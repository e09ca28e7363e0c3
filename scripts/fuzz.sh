#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers, and runs each
# one for a while from the seed corpus in fuzz/corpus. Any finding fails.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]      (default 20)
#
# New inputs the fuzzers find are kept in build/fuzz/corpus, not in the
# repository; a crashing input is left in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}

cmake --preset fuzz > /dev/null
cmake --build --preset fuzz --target book_fuzzer contexts_fuzzer vocabulary_fuzzer run_fuzzer \
  dictionary_fuzzer epub_fuzzer dictd_fuzzer html_fuzzer subtitles_fuzzer fb2_fuzzer

mkdir -p build/fuzz/findings
for target in book contexts vocabulary run dictionary epub dictd html subtitles fb2; do
  work=build/fuzz/corpus/$target
  mkdir -p "$work"
  echo "== ${target}_fuzzer, ${seconds} s"
  status=0
  # An EPUB's memory stays bounded whatever its archive claims: no single
  # allocation may reach 256 MiB. (The whole process's size is no measure
  # here: AddressSanitizer keeps 256 MiB of freed memory in quarantine. The
  # program's own peak is checked by tests/e2e/epub_cases.sh.)
  limits=()
  [ "$target" = epub ] && limits=(-malloc_limit_mb=256 -max_len=65536)
  build/fuzz/fuzz/${target}_fuzzer -max_total_time="$seconds" -max_len=4096 -timeout=10 "${limits[@]}" \
    -artifact_prefix=build/fuzz/findings/${target}- -print_final_stats=1 \
    "$work" "fuzz/corpus/$target" > "build/fuzz/${target}.log" 2>&1 || status=$?
  grep -E "^(Done|stat::number_of_executed_units|fuzz finding|SUMMARY)|ERROR" "build/fuzz/${target}.log" || true
  if [ $status != 0 ]; then
    echo "FAIL: ${target}_fuzzer found a fault (log: build/fuzz/${target}.log; input in build/fuzz/findings)"
    exit 1
  fi
done
echo "fuzzing: no findings"
