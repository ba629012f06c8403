#!/usr/bin/env bash
# Builds the default preset and runs the benchmarks, printing their figures. Arguments go to
# the benchmark program (for instance --benchmark_filter=Scroll).
# Usage: scripts/bench.sh [benchmark options]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target folio_bench
QT_QPA_PLATFORM=offscreen build/default/bench/folio_bench "$@"
