#!/usr/bin/env bash
# Runs the program where the system fails it: output that cannot be written,
# and memory that runs out. These need redirections and limits that the
# data-only cases cannot express.
#
#   fault_cases.sh [--windows] PROGRAM [PROGRAM_ARGUMENTS...]
#
# --windows: the program is a 32-bit Windows build (run under Wine), whose
# 2 GiB address space is the memory limit; elsewhere ulimit sets one.
set -u
windows=0
if [ "${1:-}" = --windows ]; then
  windows=1
  shift
fi
program=("$@")
# Relative program paths must survive the change of folder below.
[ -e "${program[0]}" ] && program[0]=$(realpath "${program[0]}")
[ ${#program[@]} -gt 1 ] && [ -e "${program[1]}" ] && program[1]=$(realpath "${program[1]}")
export WINEDEBUG=-all
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1

passed=0
failed=0
check() {  # check NAME CONDITION...
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
  fi
}
status_is() { [ "$status" = "$1" ]; }
stderr_starts() { [ "$(head -c ${#1} stderr)" = "$1" ]; }
stderr_is() { cmp -s stderr <(printf "$1"); }
stdout_lines_whole() { [ ! -s stdout ] || [ "$(tail -c 2 stdout | od -An -c | tr -d ' ')" = '\r\n' ]; }

printf 'The cat sat on the mat.' > book.txt
printf 'cat|Katze\nmat|Matte\nthe|der\n' > vocabulary.txt

"${program[@]}" book.txt vocabulary.txt > /dev/full 2> stderr
status=$?
check "output on a full disk: status 1" status_is 1
check "output on a full disk: message" stderr_starts "lexicull: standard output: "

"${program[@]}" book.txt vocabulary.txt >&- 2> stderr
status=$?
check "closed standard output: status 1" status_is 1
check "closed standard output: message" stderr_starts "lexicull: standard output: "

if [ $windows = 1 ]; then
  # One chunk of 600 MiB of zero bytes (a sparse file: no disk used) cannot
  # be held twice over in a 2 GiB address space.
  truncate -s 600M huge_chunk.txt
  "${program[@]}" huge_chunk.txt vocabulary.txt > stdout 2> stderr
  status=$?
  rm -f huge_chunk.txt
else
  # Many distinct words under a small address-space limit.
  awk 'BEGIN { for (i = 0; i < 3000000; i++) printf "w%d ", i }' > many_words.txt
  (ulimit -v 100000 && exec "${program[@]}" many_words.txt vocabulary.txt > stdout 2> stderr)
  status=$?
fi
check "out of memory: status 3" status_is 3
check "out of memory: message between CR LFs" stderr_is '\r\nAbnormal program termination\r\n'
check "out of memory: only whole lines written" stdout_lines_whole

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
