#!/usr/bin/env bash
# Cases that only a Windows build can show: reading files that another
# program holds open for writing.
#
#   windows_cases.sh WINE HELPER_EXE PROGRAM_EXE
set -u
wine=$1
helper=$(realpath "$2")
program=$(realpath "$3")
export WINEDEBUG=-all
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1

printf 'The cat.' > book.txt
printf 'cat|Katze\nthe|der\n' > vocabulary.txt
expected=$(printf 'cat|katze\r\nthe|der\r\n')

passed=0
failed=0
for held in book.txt vocabulary.txt; do
  "$wine" "$helper" "$held" "$program" book.txt vocabulary.txt > stdout 2> stderr
  status=$?
  if [ $status = 0 ] && [ "$(cat stdout)" = "$expected" ] && [ ! -s stderr ]; then
    passed=$((passed + 1))
    echo "ok: reads $held while another program holds it open for writing"
  else
    failed=$((failed + 1))
    echo "FAIL: reading $held while it is held open for writing: status $status"
    cat stderr
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
