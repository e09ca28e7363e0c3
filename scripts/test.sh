#!/usr/bin/env bash
# Builds lexicull and runs every test: the unit tests and the end-to-end cases
# on the program for this machine.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --workflow --preset release
