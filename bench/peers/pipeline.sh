#!/usr/bin/env bash
# The Unix pipeline a user would write for the same job:
#   pipeline.sh BOOK VOCABULARY
# Differences from lexicull: spaces and line feeds both split words, runs of
# them never give an empty word, hyphens at line ends never join, CR and
# Ctrl-Z are ordinary bytes, and every vocabulary line with a matching key is
# written (lexicull writes the last one only, and skips empty translations).
set -euo pipefail
export LC_ALL=C
book=$1
vocabulary=$2
join -t '|' \
  <(tr -s ' \n' '\n\n' < "$book" | tr 'A-Z' 'a-z' | tr -d '():;.",?!/' | sort -u) \
  <(tr 'A-Z' 'a-z' < "$vocabulary" | sort -s -t '|' -k1,1)
