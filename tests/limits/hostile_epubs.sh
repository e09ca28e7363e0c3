#!/usr/bin/env bash
# EPUBs made to cost memory or time (tests/epub/make_epubs.py), one whose
# documents stand past 4 GiB, and HTML pages, subtitles and FictionBooks made
# so. Prints the status, time and peak memory of each run, and fails when a
# book gives the wrong status, when a book of at most 4 MiB peaks at 400 MiB
# or more, when a book of another format peaks at 256 MiB or more, or when
# one takes 10 s or more.
#
#   tests/limits/hostile_epubs.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failed=0
cp "$root/examples/book.txt" "$root/examples/vocabulary.txt" .
python3 "$root/tests/epub/make_epubs.py" book.txt . > /dev/null
python3 "$root/tests/epub/make_epubs.py" --limits book.txt .
"$program" book.txt vocabulary.txt > expected

# measure BOOK STATUS [EXPECTED_OUTPUT]
measure() {
  local book=$1 status=0 seconds
  /usr/bin/time -f '%e %M' -o time.txt "$program" "$book" vocabulary.txt > out.txt 2> err.txt ||
    status=$?
  read -r seconds peak_kib < <(tail -n 1 time.txt)
  printf '%-24s %9d bytes  status %d  %6.2f s  %7d KiB peak  %s\n' "$book" \
    "$(stat -c %s "$book")" "$status" "$seconds" "$peak_kib" "$(head -c 100 err.txt | head -n 1)"
  if [ "$status" != "$2" ]; then
    echo "  FAIL: status $status, not $2"
    failed=1
  fi
  if [ -n "${3:-}" ] && ! cmp -s out.txt "$3"; then
    echo "  FAIL: not the plain text's output"
    failed=1
  fi
  if [ "$(stat -c %s "$book")" -le $((4 << 20)) ] && [ "$peak_kib" -ge $((400 << 10)) ]; then
    echo "  FAIL: a book of at most 4 MiB peaked at 400 MiB or more"
    failed=1
  fi
  if awk -v s="$seconds" 'BEGIN { exit !(s >= 10) }'; then
    echo "  FAIL: 10 s or more"
    failed=1
  fi
}

for book in many-words.epub entity-word.epub entity-text.epub package-entity.epub overlap.epub \
  streamed-crc.epub stored-claim.epub huge.epub markup.epub; do
  measure "$book" 1
done
printf 'cat|Katze\n' >> vocabulary.txt
printf 'cat|katze\r\n' > cat-expected
measure huge-word.epub 0 cat-expected
head -n -1 vocabulary.txt > vocabulary.tmp && mv vocabulary.tmp vocabulary.txt
measure zip64.epub 0 expected
measure past-4-gib.epub 0 expected

# Books of the other formats: nesting half a million deep, an attribute of
# 100 MiB, a cue line of 100 MiB, entities that expand to 320 MiB.
python3 - << 'BOOKS'
with open("deep.html", "w") as out:
    out.write("<!DOCTYPE html><body>" + "<div>" * 500000 + "the fox" + "</div>" * 500000)
with open("attribute.html", "w") as out:
    out.write('<!DOCTYPE html><body><p title="' + "a" * (100 << 20) + '">fox</p>')
with open("long-line.srt", "w") as out:
    out.write("1\n00:00:01,000 --> 00:00:02,000\n" + "fox " * (25 << 20) + "\n")
laughs = "".join(f'<!ENTITY e{i} "' + f"&e{i - 1};" * 10 + '">' for i in range(1, 8))
with open("entities.fb2", "w") as out:
    out.write('<?xml version="1.0"?><!DOCTYPE FictionBook [<!ENTITY e0 "fox fox fox fox ">'
              + laughs + ']><FictionBook><body><p>&e7;&e7;&e7;</p></body></FictionBook>')
BOOKS
measure_other() {
  measure "$@"
  if [ "$peak_kib" -ge $((256 << 10)) ]; then
    echo "  FAIL: peaked at 256 MiB or more"
    failed=1
  fi
}
measure_other deep.html 0
measure_other attribute.html 1
measure_other long-line.srt 0
measure_other entities.fb2 1

[ $failed = 0 ] && echo "hostile books: every status, peak and time within bounds"
exit $failed
