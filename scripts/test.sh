#!/usr/bin/env bash
# Builds everything and runs every test: the core under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the whole suite of the normal build (CTest's summary last).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh
jobs=$(nproc)

echo "== Core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== All tests"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"
