#!/usr/bin/env bash
# Runs one end-to-end case against a program command, and compares the result
# byte for byte.
#
#   run_case.sh CASE_DIR PROGRAM [PROGRAM_ARGUMENTS...]
#
# A case is a folder holding:
#   args           the arguments, one per line (an empty line is an empty argument);
#                  they are given with the case folder as the working directory
#   status         the expected exit status
#   stdout         the exact bytes expected on standard output (absent: none)
#   stderr         the exact bytes expected on standard error (absent: none), or
#   stderr-prefix  what standard error must start with; it must then be one CR LF line
# and the input files the arguments name.
set -u
case_dir=$1
shift
if [ $# -eq 0 ]; then
  echo "usage: run_case.sh CASE_DIR PROGRAM [PROGRAM_ARGUMENTS...]" >&2
  exit 2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$case_dir" || exit 1

args=()
[ -f args ] && mapfile -t args < args
export WINEDEBUG=-all
"$@" "${args[@]}" > "$scratch/stdout" 2> "$scratch/stderr" < /dev/null
status=$?

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}
show() {
  echo "--- $1 (od -c) ---"
  od -c "$2" | head -n 20
}

expected_status=$(cat status)
[ "$status" = "$expected_status" ] || fail "exit status $status, expected $expected_status"

if [ -f stdout ]; then
  cmp -s stdout "$scratch/stdout" || { fail "standard output differs"; show expected stdout; show actual "$scratch/stdout"; }
else
  [ -s "$scratch/stdout" ] && { fail "standard output should be empty"; show actual "$scratch/stdout"; }
fi

if [ -f stderr ]; then
  cmp -s stderr "$scratch/stderr" || { fail "standard error differs"; show expected stderr; show actual "$scratch/stderr"; }
elif [ -f stderr-prefix ]; then
  prefix=$(cat stderr-prefix)
  actual=$(cat "$scratch/stderr")
  [ "${actual#"$prefix"}" != "$actual" ] || fail "standard error does not start with '$prefix'"
  # One line, ended by CR LF.
  [ "$(tr -cd '\n' < "$scratch/stderr" | wc -c)" = 1 ] && [ "$(tail -c 2 "$scratch/stderr" | od -An -c | tr -d ' ')" = '\r\n' ] ||
    fail "standard error is not one CR LF line"
  [ $failed = 1 ] && show actual "$scratch/stderr"
else
  [ -s "$scratch/stderr" ] && { fail "standard error should be empty"; show actual "$scratch/stderr"; }
fi

[ $failed = 0 ] && echo "ok: $(basename "$case_dir")"
exit $failed
