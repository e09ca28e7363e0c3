# The checks that the scripted end-to-end cases share, sourced by them: each
# check is counted and reported on a line of its own, and the script ends
# with the counts.
passed=0
failed=0
skipped=0
check() {  # check NAME CONDITION...
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
    # What the last run left behind, so that a failure on a machine out of
    # reach can still be read from its log.
    if [ -n "${status:-}" ]; then echo "  last status: $status"; fi
    if [ -f stdout ]; then echo "  last stdout: $(wc -c < stdout) bytes"; fi
    if [ -s stderr ]; then sed -n '1,3s/^/  last stderr: /p' stderr; fi
  fi
}
skip() {
  skipped=$((skipped + 1))
  echo "skipped: $1"
}
# The closing line and the status: 1 when a check failed.
report() {
  echo "$passed passed, $failed failed, $skipped skipped"
  [ "$failed" = 0 ]
}
