#!/usr/bin/env bash
# Runs N sites in one window (many-sites-runner: a set against CMSs of their
# own with faults on, offscreen, the tool's timers sped up) while sampling
# its process tree, and prints the figures: tree PSS (max and mean), pages
# awake (max), CPU while no page loads, and per site the cycles completed,
# collections missed, worst restart offset and pages delayed by a slot.
#
#   bash bench/many-sites.sh --sites N [--cycles C] [--speedup S]
#                            [--cycle-minutes M] [--slots K]
#
# BUILD_DIR picks the build folder (default build-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j2 --target many-sites-runner >/dev/null

export QT_QPA_PLATFORM=offscreen
# Chromium refuses to run as root with its sandbox; the tool never turns it
# off itself, the benchmark does so only when run as root, like the tests.
if [ "$(id -u)" = 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
mkdir -p "$HOME"

"$build/bench/many-sites-runner" "$@" --timeline "$work/timeline.txt" >"$work/runner.txt" 2>"$work/runner.err" &
runner=$!
echo "$runner" >"$work/pid"
python3 bench/bench_sample.py --out "$work/samples.jsonl" --root tool="$work/pid" --stop-file "$work/stop" &
sampler=$!
status=0
wait "$runner" || status=$?
touch "$work/stop"
wait "$sampler" || true

grep -v '^site ' "$work/runner.txt"
python3 - "$work/samples.jsonl" "$work/timeline.txt" <<'PY'
import json, sys
samples = [json.loads(line) for line in open(sys.argv[1])]
clk = next(s['clk_tck'] for s in samples if 'clk_tck' in s)
tree = [(s['t'], s['trees']['tool']) for s in samples if 'tool' in s.get('trees', {})]
mem = [t['mem_kb'] / 1024 for _, t in tree]
print(f"tree_pss_max_mb: {max(mem):.0f}")
print(f"tree_pss_mean_mb: {sum(mem) / len(mem):.0f}")
# The loads in flight at each moment, from the runner's timeline.
loads = []
for line in open(sys.argv[2]):
    _, t, awake, loading = line.split()
    loads.append((int(t), int(loading)))
def quiet(a, b):
    inside = [l for t, l in loads if a <= t <= b]
    return inside and max(inside) == 0
cpu = seconds = 0.0
for (t0, a), (t1, b) in zip(tree, tree[1:]):
    if quiet(t0, t1):
        cpu += (b['cpu_ticks'] - a['cpu_ticks']) / clk
        seconds += (t1 - t0) / 1000
if seconds >= 5:
    print(f"cpu_while_no_page_loads_s_per_hour: {cpu / seconds * 3600:.0f} (over {seconds:.0f} s)")
else:
    print(f"cpu_while_no_page_loads_s_per_hour: n/a (only {seconds:.0f} s without a load)")
PY
awk '/^site / { n++; c += $4; m += $7; if ($11 + 0 > w) w = $11 + 0; d += $NF; if ($4 + 0 < min || n == 1) min = $4 + 0 }
     END { printf "per_site: cycles min %d (mean %.1f), collections missed %d in all, worst restart offset %d s, pages delayed by a slot %d in all\n", min, c / n, m, w, d }' \
  FS='[ ,]+' "$work/runner.txt"
grep '^site ' "$work/runner.txt" | sed 's/^/  /'
exit "$status"
