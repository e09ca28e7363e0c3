#!/usr/bin/env bash
# The mawk peer: a one-pass script with a hash, then a sort (see filter.awk).
#   awk.sh BOOK VOCABULARY
set -euo pipefail
export LC_ALL=C
mawk -f "$(dirname "$0")/filter.awk" "$1" "$2" | sort
