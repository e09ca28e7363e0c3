#!/usr/bin/env bash
# Installs what the build needs if it is missing, builds the release program,
# and runs the main job on the sample files in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build
cmake --preset release > /dev/null
cmake --build --preset release --target lexicull
build/release/lexicull examples/book.txt examples/vocabulary.txt
