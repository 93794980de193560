#!/usr/bin/env bash
# Runs the whole suite N times in a row (default 30) in ./build while a
# second build of the tool, in ./build-load, keeps every core busy, and stops
# at the first run that fails. A test that passes here does not hang on the
# machine's speed or on an order of events that the code does not promise.
#
#   bash scripts/repeat.sh        # 30 runs under load
#   bash scripts/repeat.sh 5      # 5 runs
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-30}
bash scripts/deps.sh
bash scripts/build.sh
cmake -S . -B build-load -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

# The load runs in a process group of its own, ended with the script.
setsid bash -c 'while true; do cmake --build build-load --clean-first -j"$(nproc)" >/dev/null 2>&1; done' &
loader=$!
trap 'kill -- -$loader 2>/dev/null || true' EXIT

cd build
for ((run = 1; run <= runs; ++run)); do
  start=$SECONDS
  if ! QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 ctest --output-on-failure --timeout 900 >"repeat-$run.log" 2>&1; then
    echo "run $run of $runs failed after $((SECONDS - start)) s: build/repeat-$run.log"
    grep -E "FAIL!|Failed|Timeout" "repeat-$run.log" | head -20
    exit 1
  fi
  echo "run $run of $runs passed in $((SECONDS - start)) s"
  rm -f "repeat-$run.log"
done
echo "$runs passed, 0 failed"
