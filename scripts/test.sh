#!/usr/bin/env bash
# Checks the formatting, then builds everything and runs every test: the core under
# AddressSanitizer and UndefinedBehaviorSanitizer, the core built for Windows and run under Wine,
# a short run of each fuzz target, the Debian package and its check, then the whole suite of the
# normal build (CTest's summary last).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh
jobs=$(nproc)

echo "== Formatting (clang-format with the project's .clang-format)"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== Core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== Core tests on Windows (MinGW-w64 build, run under Wine)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
ctest --preset windows -j "$jobs"

echo "== Fuzz targets, briefly (scripts/fuzz.sh runs them longer)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz -j "$jobs"

echo "== All tests"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
echo "== Debian package"
scripts/check-package.sh
ctest --preset default -j "$jobs"
