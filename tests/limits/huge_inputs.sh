#!/usr/bin/env bash
# Inputs far larger than memory, and single words and lines of 100 MiB.
# Prints the time and peak memory of each run, and fails when an output is
# wrong or the memory of the huge runs does not stay near that of a small one.
#
#   tests/limits/huge_inputs.sh PROGRAM [GIBIBYTES]      (default 4.1 GiB per file)
#
# The big book and vocabulary are streamed through FIFOs from generators,
# so nothing that big touches the disk.
set -euo pipefail
program=$(realpath "$1")
size=$(awk -v gib="${2:-4.1}" 'BEGIN { printf "%.0f", gib * 1073741824 }')
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failed=0

book_line='The quick brown fox jumps over the lazy dog.'
vocabulary_line='zebra-crossing-that-no-book-word-matches|Zebrastreifen'
vocabulary_tail=$'fox|Fuchs\ndog|Hund\nThe|der\nquick|schnell\n'
expected=$'dog|hund\r\nfox|fuchs\r\nquick|schnell\r\nthe|der\r\n'

generate_book() {  # BYTES: whole lines of the book, at least BYTES in all
  local lines=$(($1 / (${#book_line} + 1) + 1))
  { yes "$book_line" || true; } | head -n "$lines"
}
generate_vocabulary() {  # BYTES: lines that match nothing, then the real entries
  local lines=$(($1 / (${#vocabulary_line} + 1) + 1))
  { yes "$vocabulary_line" || true; } | head -n "$lines"
  printf '%s' "$vocabulary_tail"
}

# run NAME BOOK VOCABULARY: times one run; the peak memory lands in $peak_kib
run() {
  local name=$1
  /usr/bin/time -f '%e %M' -o time.txt "$program" "$2" "$3" > out.txt 2> err.txt || true
  read -r seconds peak_kib < time.txt
  printf '%-44s %8.2f s %9d KiB peak\n' "$name" "$seconds" "$peak_kib"
}
expect_output() {  # NAME EXPECTED_FILE_OR_TEXT
  if cmp -s out.txt "$2"; then
    echo "  ok: output of $1"
  else
    echo "  FAIL: output of $1"
    failed=1
  fi
}

# A small run of the same kind, to compare memory with.
generate_book 1000000 > small-book.txt
generate_vocabulary 1000000 > small-vocabulary.txt
printf '%s' "$expected" > expected.txt
run "1 MB book, 1 MB vocabulary" small-book.txt small-vocabulary.txt
expect_output "the small run" expected.txt
small_peak=$peak_kib

mkfifo book.fifo vocabulary.fifo
generate_book "$size" > book.fifo &
generate_vocabulary "$size" > vocabulary.fifo &
run "$((size / 1048576)) MiB book, $((size / 1048576)) MiB vocabulary (FIFOs)" book.fifo vocabulary.fifo
wait
expect_output "the huge run" expected.txt
if [ "$peak_kib" -le $((small_peak + 8192)) ]; then
  echo "  ok: peak memory within 8 MiB of the small run's"
else
  echo "  FAIL: peak memory $peak_kib KiB, small run $small_peak KiB"
  failed=1
fi

# One chunk of 100 MiB without a space or line feed, and one vocabulary line
# of 100 MiB whose key is a book word.
huge=104857600
{ head -c $huge /dev/zero | tr '\0' 'A'; printf ' cat'; } > huge-chunk.txt
{ printf 'cat|'; head -c $huge /dev/zero | tr '\0' 'K'; printf '\nlong|x\n'; } > huge-line.txt
printf 'cat|Katze\n' > cat.txt
printf 'cat long' > cat-book.txt
run "100 MiB chunk" huge-chunk.txt cat.txt
expect_output "the 100 MiB chunk" <(printf 'cat|katze\r\n')
run "100 MiB vocabulary line" cat-book.txt huge-line.txt
expect_output "the 100 MiB line" <({ printf 'cat|'; head -c $huge /dev/zero | tr '\0' 'k'; printf '\r\nlong|x\r\n'; })
run "100 MiB chunk, as a key of a 100 MiB line" huge-chunk.txt \
  <({ head -c $huge /dev/zero | tr '\0' 'a'; printf '|found\n'; })
expect_output "the 100 MiB key" <({ head -c $huge /dev/zero | tr '\0' 'a'; printf '|found\r\n'; })

[ $failed = 0 ] && echo "limits: all outputs right"
exit $failed
