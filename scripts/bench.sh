#!/usr/bin/env bash
# Builds the default preset and runs the benchmarks, printing their figures. Arguments go to
# the benchmark program (for instance --benchmark_filter=Scroll). With --check first, every
# figure is then set against its goal in bench/goals.json, and the script fails when one falls
# short (a noisy machine makes figures worse: check on a quiet one). Not part of the tests.
# Usage: scripts/bench.sh [--check] [benchmark options]
set -euo pipefail
cd "$(dirname "$0")/.."
check=false
if [ "${1:-}" = "--check" ]; then
  check=true
  shift
fi
scripts/ensure-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target folio_bench
results=build/default/bench-results.json
QT_QPA_PLATFORM=offscreen build/default/bench/folio_bench --benchmark_out="$results" \
  --benchmark_out_format=json "$@"
if $check; then
  echo "== Figures against their goals (bench/goals.json)"
  node scripts/bench-check.js bench/goals.json "$results"
fi
