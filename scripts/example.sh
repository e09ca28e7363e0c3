#!/usr/bin/env bash
# Installs what the build needs if it is missing, builds the release program,
# and runs the main job on the sample files in examples/. Only the filtered
# vocabulary goes to standard output; the build talks on standard error.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build >&2
cmake --preset release >&2
cmake --build --preset release --target lexicull >&2
build/release/lexicull examples/book.txt examples/vocabulary.txt
