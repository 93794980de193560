#!/usr/bin/env bash
# The real program, offscreen, twice against the same fake CMS: in a folder
# of its own, then in a set folder whose sites.txt lists that one folder.
# Each runs --start --minutes 1 for SECONDS (default 180) with its login
# remembered in login.ini; prints the tree's PSS (max and mean) and CPU for
# each, and the collections the CMS received.
#
#   bash bench/one-site-in-a-set.sh [SECONDS]
#
# BUILD_DIR picks the build folder (default build-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
seconds=${1:-180}
cmake -S . -B "$build" -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j2 --target orvo-collector fake-cms >/dev/null
export QT_QPA_PLATFORM=offscreen
if [ "$(id -u)" = 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
port=$((20000 + RANDOM % 20000))
touch "$work/cms.log"
"$build/bench/fake-cms" --port "$port" --log "$work/cms.log" >/dev/null 2>&1 &
site=$work/set/site
mkdir -p "$site"
printf 'http://127.0.0.1:%s%s\r\n' "$port" /login "$port" /collect "$port" /generate "$port" /homepage >"$site/123.txt"
printf 'address=http://127.0.0.1:%s/login\nform=0\nuserField=username\nuser=admin\npasswordField=password\npassword=orvo123\nsubmitter=submit_button\nfailed=0\ntarget=\nfield=nonce\nfield=username\nfield=password\nfield=submit_button\n' "$port" >"$site/login.ini"
chmod 600 "$site/login.ini"

run() { # name folder
  export HOME=$work/home-$1
  mkdir -p "$HOME"
  (cd "$2" && exec "$OLDPWD/$build/src/orvo-collector" --start --minutes 1) >/dev/null 2>&1 &
  echo $! >"$work/$1.pid"
  python3 bench/bench_sample.py --out "$work/$1.jsonl" --root tool="$work/$1.pid" --stop-file "$work/$1.stop" &
  local sampler=$!
  local before
  before=$(grep -c 'POST /collect' "$work/cms.log" || true)
  sleep "$seconds"
  kill "$(cat "$work/$1.pid")"
  wait "$(cat "$work/$1.pid")" || true
  touch "$work/$1.stop"
  wait "$sampler" || true
  python3 - "$work/$1.jsonl" "$1" "$seconds" <<'PY'
import json, sys
samples = [json.loads(line) for line in open(sys.argv[1])]
clk = next(s['clk_tck'] for s in samples if 'clk_tck' in s)
tree = [s['trees']['tool'] for s in samples if 'tool' in s.get('trees', {})]
mem = [t['mem_kb'] / 1024 for t in tree]
print(f"{sys.argv[2]}: tree PSS max {max(mem):.0f} MB, mean {sum(mem) / len(mem):.0f} MB, "
      f"CPU {(tree[-1]['cpu_ticks'] - tree[0]['cpu_ticks']) / clk:.1f} s over {sys.argv[3]} s", end='')
PY
  echo ", collections $(( $(grep -c 'POST /collect' "$work/cms.log") - before ))"
}

run alone "$site"
echo site >"$work/set/sites.txt"
run "in a set" "$work/set"
