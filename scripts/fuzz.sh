#!/usr/bin/env bash
# A long fuzz run: builds the fuzz preset and runs each target in turn (or the ones named) for
# the given seconds, on a working corpus in build/fuzz/long/<target> that starts from the seed
# corpus in fuzz/corpus/ and grows from run to run. Crash inputs land beside it.
# Usage: scripts/fuzz.sh [seconds per target, default 600] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh
seconds=${1:-600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(ls fuzz/corpus))
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
for target in "${targets[@]}"; do
  work=build/fuzz/long/$target
  mkdir -p "$work/corpus" "$work/artifacts"
  cp -n fuzz/corpus/"$target"/* "$work/corpus/"
  echo "== $target for $seconds seconds"
  build/fuzz/fuzz/"$target" -max_total_time="$seconds" -dict=fuzz/data_files.dict \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus"
done
