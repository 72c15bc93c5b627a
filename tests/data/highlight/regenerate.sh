#!/bin/sh
# Rewrites the expected ".tokens" files from the current build; review the diff before
# committing it. Usage: tests/data/highlight/regenerate.sh [build-dir]
set -eu
build=${1:-build}
cmake --build "$build" --target velloran_unit_tests
VELLORAN_REGENERATE=1 "$build/bin/velloran_unit_tests" \
    --gtest_filter='Highlight.InputsGiveTheirExpectedTokensHoweverTheyArrive'
