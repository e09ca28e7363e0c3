#!/usr/bin/env bash
# Times lexicull against the floor of the job and against three peers that
# users would write, on the corpus of make_corpus.py, and writes the table to
# bench/RESULTS.md. Every command writes its output to a regular file, as a
# user redirects it; none to /dev/null.
#
#   bench/run.sh [CORPUS_DIR]        (default: /tmp/lexicull-corpus)
#
# Needs hyperfine, GNU time (/usr/bin/time), mawk, python3 and a C++ compiler.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
corpus=${1:-/tmp/lexicull-corpus}
runs=${RUNS:-11}

for tool in hyperfine /usr/bin/time mawk python3 c++; do
  command -v "$tool" > /dev/null ||
    { echo "bench: $tool is missing (apt-get install hyperfine time mawk python3 g++)" >&2; exit 1; }
done
[ -f "$corpus/many-words.txt" ] || { echo "bench: no corpus in $corpus: run bench/make_corpus.py first" >&2; exit 1; }

cmake --preset release -S "$root" > /dev/null
cmake --build "$root/build/release" --target lexicull > /dev/null
lexicull=$root/build/release/lexicull
mkdir -p "$root/build/bench"
floor=$root/build/bench/floor
c++ -O2 -o "$floor" "$here/floor.cc"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

pairs=("book.txt en-de.txt" "book-x20.txt en-de.txt" "book.txt en-de-x10.txt" "book.txt de-en.txt"
       "many-words.txt de-en.txt")

# Peak resident memory in KiB, the median of three runs.
peak_memory() {
  for _ in 1 2 3; do /usr/bin/time -f %M -o "$scratch/peak" "$@" > "$scratch/out" && cat "$scratch/peak"; done |
    sort -n | sed -n 2p
}

cd "$corpus"
for pair in "${pairs[@]}"; do
  read -r book vocabulary <<< "$pair"
  name="${book%.txt}+${vocabulary%.txt}"
  "$lexicull" "$book" "$vocabulary" > "$scratch/expected"
  # Each command's output goes to a file of its own; hyperfine's shell
  # start-up is measured and taken off.
  hyperfine --warmup 3 --runs "$runs" --style none --export-json "$scratch/$name.json" \
    -n lexicull "$lexicull $book $vocabulary > $scratch/out-lexicull" \
    -n "lexicull, 1 thread" "LEXICULL_THREADS=1 $lexicull $book $vocabulary > $scratch/out-one" \
    -n floor "$floor $book $vocabulary $scratch/expected > $scratch/out-floor" \
    -n "floor, one write" "$floor --one-write $book $vocabulary $scratch/expected > $scratch/out-once" \
    -n pipeline "bash $here/peers/pipeline.sh $book $vocabulary > $scratch/out-pipeline" \
    -n mawk "bash $here/peers/awk.sh $book $vocabulary > $scratch/out-mawk" \
    -n python "python3 $here/peers/filter.py $book $vocabulary > $scratch/out-python" > /dev/null
  {
    echo "lexicull $(peak_memory "$lexicull" "$book" "$vocabulary")"
    echo "pipeline $(peak_memory bash "$here/peers/pipeline.sh" "$book" "$vocabulary")"
    echo "mawk $(peak_memory bash "$here/peers/awk.sh" "$book" "$vocabulary")"
    echo "python $(peak_memory python3 "$here/peers/filter.py" "$book" "$vocabulary")"
  } > "$scratch/$name.memory"
  # The output must not depend on the run, nor on the number of threads.
  {
    for run in 1 2 3; do "$lexicull" "$book" "$vocabulary" | sha256sum | cut -c1-64; done
    LEXICULL_THREADS=1 "$lexicull" "$book" "$vocabulary" | sha256sum | cut -c1-64
  } > "$scratch/$name.outputs"
done

# The study list against the plain run: a learner who knows the 2,000 most
# frequent words of the English fortunes, the list by frequency.
study="--known=known-2000.txt --order=frequency"
hyperfine --warmup 3 --runs "$runs" --style none --export-json "$scratch/study.json" \
  -n plain "$lexicull book.txt en-de.txt > $scratch/out-plain" \
  -n study "$lexicull $study book.txt en-de.txt > $scratch/out-study" > /dev/null
# shellcheck disable=SC2086
peak_memory "$lexicull" $study book.txt en-de.txt > "$scratch/study.memory"

# The King James Bible as an EPUB against its plain text: the same output,
# from an archive of 66 XHTML documents.
# Timed in pairs, the order alternating: the machine's slow spells would
# otherwise fall on one of the two.
python3 "$here/paired.py" "${EPUB_PAIRS:-60}" "$scratch/epub.json" \
  "$lexicull book.txt en-de.txt > $scratch/out-plain" \
  "$lexicull book.epub en-de.txt > $scratch/out-epub"
peak_memory "$lexicull" book.epub en-de.txt > "$scratch/epub.memory"
cmp -s "$scratch/out-plain" "$scratch/out-epub" && echo same > "$scratch/epub.outputs" ||
  echo different > "$scratch/epub.outputs"

# A dictd dictionary as Debian ships it, against the same converted to
# key|translation lines. Its ratio sits near its bound, and the medians of
# 30 pairs stray up to 5% from that of 180 taken at once: four times the
# pairs halve the stray.
if [ -f freedict-eng-deu.index ]; then
  python3 "$here/paired.py" "${DICTD_PAIRS:-120}" "$scratch/dictd.json" \
    "$lexicull book.txt freedict-eng-deu.txt > $scratch/out-converted" \
    "$lexicull book.txt freedict-eng-deu.dict.dz > $scratch/out-dictd"
  peak_memory "$lexicull" book.txt freedict-eng-deu.dict.dz > "$scratch/dictd.memory"
fi

# Book formats: the book as HTML that is well-formed XML and as HTML that is
# not, against the plain text; a film's subtitles against the same words as
# text. Each pair must give the same output.
for pair in "book.txt book.xhtml xhtml" "book.txt book-tagsoup.html html" "film.txt film.srt srt"; do
  read -r plain formatted name <<< "$pair"
  python3 "$here/paired.py" "${FORMAT_PAIRS:-30}" "$scratch/format-$name.json" \
    "$lexicull $plain en-de.txt > $scratch/out-$name-plain" \
    "$lexicull $formatted en-de.txt > $scratch/out-$name"
  cmp -s "$scratch/out-$name-plain" "$scratch/out-$name" && echo same > "$scratch/format-$name.outputs" ||
    echo different > "$scratch/format-$name.outputs"
done
# Flash cards against lines: the KJV with en-de, --format=anki (read twice,
# for the sentences) against the plain run, and the peak memory of each.
python3 "$here/paired.py" "${FORMAT_PAIRS:-30}" "$scratch/cards.json" \
  "$lexicull book.txt en-de.txt > $scratch/out-lines" \
  "$lexicull --format=anki book.txt en-de.txt > $scratch/out-anki"
{
  echo "lines $(peak_memory "$lexicull" book.txt en-de.txt)"
  echo "anki $(peak_memory "$lexicull" --format=anki book.txt en-de.txt)"
} > "$scratch/cards.memory"

# The subtitles' own share of a run: the run on them less one on an empty book.
: > "$scratch/empty.txt"
python3 "$here/paired.py" "${FORMAT_PAIRS:-30}" "$scratch/format-srt-alone.json" \
  "$lexicull $scratch/empty.txt en-de.txt > $scratch/out-empty" \
  "$lexicull film.srt en-de.txt > $scratch/out-srt"

python3 "$here/report.py" "$scratch" "$root/bench/RESULTS.md" "${pairs[@]}"
cat "$root/bench/RESULTS.md"
