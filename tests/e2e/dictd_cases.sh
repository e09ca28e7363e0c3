#!/usr/bin/env bash
# Runs the program on dictd dictionaries made at test time
# (tests/dictd/make_dictd.py): each form of one dictionary must give the
# lines that the maker's own rules give, found by any of its files or by its
# name alone, and each damaged one status 1 with its reason. Also --senses.
#
#   dictd_cases.sh [--windows BITS] [--sanitized] [--emulated] [--failing-read LIB]
#                  PROGRAM [ARGUMENTS...]     (the options of fault_cases.sh)
set -u
windows=0
while [ $# -gt 0 ]; do
  case $1 in
    --windows) windows=1; shift ;;
    --sanitized | --emulated) ;;
    --failing-read) shift ;;
    *) break ;;
  esac
  shift
done
program=("$@")
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$(dirname "$here")")
for i in 0 1; do
  [ $i -lt ${#program[@]} ] && [ -e "${program[$i]}" ] && program[$i]=$(realpath "${program[$i]}")
done
export WINEDEBUG=-all
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir dictionaries
python3 "$root/tests/dictd/make_dictd.py" dictionaries || { echo "FAIL: the dictionaries could not be made"; exit 1; }
mv dictionaries/book.txt dictionaries/expected.txt .

# shellcheck source=tests/e2e/checks.sh
. "$here/checks.sh"
run() {  # run ARGUMENTS...: the program on them, output in stdout and stderr, status in $status
  "${program[@]}" "$@" > stdout 2> stderr < /dev/null
  status=$?
}
check "the maker's lines are there" [ -s expected.txt ]

for vocabulary in dictionaries/test.dict.dz dictionaries/test.index dictionaries/plain.dict \
  dictionaries/plain.index dictionaries/stream.dict.dz; do
  run book.txt "$vocabulary"
  check "$vocabulary: status 0" [ $status = 0 ]
  check "$vocabulary: the senses of the words' entries" cmp -s stdout expected.txt
  check "$vocabulary: no message" [ ! -s stderr ]
done

# Thousands of entries and chunks: the data and the senses are shared out
# to threads.
run dictionaries/many-book.txt dictionaries/many.dict.dz
check "thousands of entries: status 0" [ $status = 0 ]
check "thousands of entries: the maker's lines" cmp -s stdout dictionaries/many-expected.txt

# By its name alone, through LEXICULL_DICTD_PATH; a file of that name wins.
separator=':'
[ $windows = 1 ] && separator=';'
LEXICULL_DICTD_PATH="nowhere${separator}dictionaries" run book.txt test
check "a dictionary by its name: status 0" [ $status = 0 ]
check "a dictionary by its name: its lines" cmp -s stdout expected.txt
printf 'go|los\n' > test
LEXICULL_DICTD_PATH=dictionaries run book.txt test
check "a file of the name wins over the dictionary" grep -qx $'go|los\r' stdout
run book.txt missing-dictionary
check "a name that is nothing: status 1" [ $status = 1 ]

# Lines of key|translation with every sense; the default keeps the last.
printf 'go|Gehen\ngo|fahren\ngo|gehen\ngo|\nsword|Schwert\n' > senses.txt
run --senses=all book.txt senses.txt
check "--senses=all: every sense, lower-cased, once" \
  [ "$(cat stdout)" = "$(printf 'go|gehen; fahren\r\nsword|schwert\r')" ]
run book.txt senses.txt
check "the last sense by default" [ "$(cat stdout)" = "$(printf 'sword|schwert\r')" ]
run --senses=every book.txt senses.txt
check "--senses=every: status 2" [ $status = 2 ]

while read -r vocabulary reason; do
  run book.txt "$vocabulary"
  check "$vocabulary: status 1" [ $status = 1 ]
  check "$vocabulary: says why" grep -q "^lexicull: $vocabulary: .*$reason" stderr
  check "$vocabulary: no output" [ ! -s stdout ]
done << 'CASES'
dictionaries/bad-line.dict.dz not a readable dictd dictionary: line 4 of the index is not a headword
dictionaries/past-end.dict.dz not a readable dictd dictionary: line 4 of the index points past the end of the data
dictionaries/short.dict.dz not a readable dictd dictionary: the data file is shorter than its chunk table says
dictionaries/bad-chunk.dict.dz not a readable dictd dictionary: chunk 1 does not inflate to its size
CASES
cp dictionaries/test.dict.dz lone.dict.dz
run book.txt lone.dict.dz
check "a .dict.dz without its index: status 1" [ $status = 1 ]
check "a .dict.dz without its index names it" \
  grep -qx $'lexicull: lone.dict.dz: not a readable dictd dictionary: no lone.index beside it\r\\?' stderr

report
