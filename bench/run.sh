#!/usr/bin/env bash
# Times lexicull against the cost of reading its input once (wc -l) and
# against two peers that users would write, on the corpus of make_corpus.py,
# and writes the table to bench/RESULTS.md.
#
#   bench/run.sh [CORPUS_DIR]        (default: /tmp/lexicull-corpus)
#
# Needs hyperfine, GNU time (/usr/bin/time) and python3.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
corpus=${1:-/tmp/lexicull-corpus}
runs=${RUNS:-10}

for tool in hyperfine /usr/bin/time python3; do
  command -v "$tool" > /dev/null || { echo "bench: $tool is missing (apt-get install hyperfine time python3)" >&2; exit 1; }
done
[ -f "$corpus/book.txt" ] || { echo "bench: no corpus in $corpus: run bench/make_corpus.py first" >&2; exit 1; }

cmake --preset release -S "$root" > /dev/null
cmake --build "$root/build/release" --target lexicull > /dev/null
lexicull=$root/build/release/lexicull
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

pairs=("book.txt en-de.txt" "book-x20.txt en-de.txt" "book.txt en-de-x10.txt" "book.txt de-en.txt")

# Peak resident memory in KiB, the median of three runs.
peak_memory() {
  for _ in 1 2 3; do /usr/bin/time -f %M "$@" 2>&1 > /dev/null | tail -n 1; done | sort -n | sed -n 2p
}

for pair in "${pairs[@]}"; do
  read -r book vocabulary <<< "$pair"
  name="${book%.txt}+${vocabulary%.txt}"
  cd "$corpus"
  hyperfine -N --warmup 3 --runs "$runs" --style none --export-json "$scratch/$name.json" \
    -n lexicull "$lexicull $book $vocabulary" \
    -n "wc -l" "wc -l $book $vocabulary" \
    -n pipeline "bash $here/peers/pipeline.sh $book $vocabulary" \
    -n python "python3 $here/peers/filter.py $book $vocabulary" > /dev/null
  {
    echo "lexicull $(peak_memory "$lexicull" "$book" "$vocabulary")"
    echo "pipeline $(peak_memory bash "$here/peers/pipeline.sh" "$book" "$vocabulary")"
    echo "python $(peak_memory python3 "$here/peers/filter.py" "$book" "$vocabulary")"
  } > "$scratch/$name.memory"
  # The output must not depend on the run.
  for run in 1 2 3; do "$lexicull" "$book" "$vocabulary" | sha256sum | cut -c1-64; done > "$scratch/$name.outputs"
done

python3 "$here/report.py" "$scratch" "$root/bench/RESULTS.md" "${pairs[@]}"
cat "$root/bench/RESULTS.md"
