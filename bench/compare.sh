#!/usr/bin/env bash
# Side-by-side benchmark: the tool (under Xvfb, driven through its window as a
# user would) and a playwright-core peer in Debian's Chromium, at the same time,
# each against its own fake-cms, with a 1-minute cycle in real time.
#
#   bash bench/compare.sh [--runs 3] [--cycles 11] [--out DIR] [--no-deps]
#
# A run lasts about (cycles + 2.5) minutes; runs go one after another. Each run's
# files (request logs, samples, the peer's events, a screenshot, figures.json)
# stay in DIR/run-N; at the end a table of the medians over the runs is printed
# (bench/bench_report.py) and written to DIR/table.md.
#
# Environment: TOOL (default build/src/orvo-collector, built if missing), FAKE_CMS
# (default build/bench/fake-cms, built if missing), CHROMIUM (default /usr/bin/chromium).
# Only loopback addresses are used. Figures only: this is no test and never fails
# on a number.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
runs=3
cycles=11
out=""
deps=1
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --cycles) cycles=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --no-deps) deps=0; shift ;;
    -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
[ "$cycles" -ge 2 ] || { echo "--cycles must be at least 2" >&2; exit 2; }

[ "$deps" -eq 0 ] || bash "$ROOT/bench/deps.sh"

TOOL=${TOOL:-$ROOT/build/src/orvo-collector}
if [ ! -x "$TOOL" ]; then
  bash "$ROOT/scripts/build.sh"
fi
FAKE_CMS=${FAKE_CMS:-$ROOT/build/bench/fake-cms}
if [ ! -x "$FAKE_CMS" ]; then
  # Configured again so that a build folder older than the bench target knows it.
  cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$ROOT/build" --target fake-cms -j"$(nproc)"
fi
CHROMIUM=${CHROMIUM:-/usr/bin/chromium}
for f in "$TOOL" "$FAKE_CMS" "$CHROMIUM"; do
  [ -x "$f" ] || { echo "missing: $f" >&2; exit 1; }
done

out=${out:-/tmp/orvo-bench-$(date +%Y%m%d-%H%M%S)}
mkdir -p "$out"
out=$(cd "$out" && pwd)
echo "results in $out"

now_ms() { date +%s%3N; }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# Processes this script started, stopped by their own pids at the end of a run.
started=()
cleanup() {
  local pid
  for pid in "${started[@]+"${started[@]}"}"; do
    kill -TERM "$pid" 2>/dev/null || true
  done
  sleep 2
  for pid in "${started[@]+"${started[@]}"}"; do
    kill -KILL "$pid" 2>/dev/null || true
  done
  started=()
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# fake-cms on a free loopback port; waits for "listening <port>".
start_cms() { # name logfile limit_s -> sets cms_port
  local name=$1 log=$2 limit=$3 port i
  port=$(free_port)
  "$FAKE_CMS" --port "$port" --log "$log" --duration-s "$limit" >"$dir/$name.out" 2>&1 &
  started+=($!)
  for i in $(seq 1 200); do
    if grep -q "^listening" "$dir/$name.out" 2>/dev/null; then
      cms_port=$(awk '/^listening/ {print $2; exit}' "$dir/$name.out")
      return 0
    fi
    sleep 0.05
  done
  echo "fake-cms ($name) did not start:" >&2
  cat "$dir/$name.out" >&2
  return 1
}

collects() { # logfile -> number of GET /collect
  grep -cE '^[0-9]+ GET /collect([? ]|$)' "$1" 2>/dev/null || true
}
nth_collect_ms() { # logfile n
  grep -E '^[0-9]+ GET /collect([? ]|$)' "$1" | sed -n "${2}p" | awk '{print $1}'
}

run_one() {
  dir=$1
  mkdir -p "$dir/home" "$dir/cwd"
  chmod 700 "$dir/home"
  local limit=$(( 600 + cycles * 60 ))
  : >"$dir/markers.txt"
  mark() { echo "$1 $(now_ms)" >>"$dir/markers.txt"; }

  start_cms tool-cms "$dir/tool-cms.log" "$limit"
  local tool_port=$cms_port
  start_cms peer-cms "$dir/peer-cms.log" "$limit"
  local peer_port=$cms_port

  local base=http://127.0.0.1:$tool_port
  printf '%s\r\n' "$base/login" "$base/collect" "$base/generate" "$base/homepage" >"$dir/cwd/123.txt"

  # Xvfb on the first free display.
  exec 7>"$dir/xvfb.display"
  Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  local xvfb=$!
  exec 7>&-
  started+=("$xvfb")
  echo "$xvfb" >"$dir/xvfb.pid"
  local i
  for i in $(seq 1 100); do
    [ -s "$dir/xvfb.display" ] && break
    sleep 0.05
  done
  local display=":$(tr -d '[:space:]' <"$dir/xvfb.display")"

  python3 "$ROOT/bench/bench_sample.py" --out "$dir/samples.jsonl" --interval 1 \
    --root "tool=$dir/tool.pid" --root "peer=$dir/peer.pid" --root "xvfb=$dir/xvfb.pid" \
    --stop-file "$dir/stop" &
  started+=($!)
  sleep 1

  # The tool, started from its settings folder as a user would; its own profile
  # folder under the run's HOME. The sandbox variable is for running as root only.
  local sandbox=()
  [ "$(id -u)" -ne 0 ] || sandbox=(QTWEBENGINE_DISABLE_SANDBOX=1)
  mark tool_launch
  (cd "$dir/cwd" && exec env DISPLAY="$display" HOME="$dir/home" XDG_RUNTIME_DIR="$dir/home" \
      XDG_DATA_HOME="$dir/home/.local/share" XDG_CACHE_HOME="$dir/home/.cache" \
      XDG_CONFIG_HOME="$dir/home/.config" "${sandbox[@]+"${sandbox[@]}"}" "$TOOL") >"$dir/tool.log" 2>&1 &
  local tool=$!
  started+=("$tool")
  echo "$tool" >"$dir/tool.pid"

  export DISPLAY=$display
  # Until the window is mapped (xdotool search --sync, polled here so that the
  # time is known to ~20 ms and a helper window that goes away meanwhile does not
  # end the search with BadWindow).
  local win=""
  for i in $(seq 1 1500); do
    win=$(xdotool search --onlyvisible --name OrvoCMS 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.02
  done
  mark tool_window
  [ -n "$win" ] || { echo "the tool's window did not show" >&2; return 1; }

  # Cycle length 1: the combo's text, select all, type 1, Tab.
  xdotool mousemove --window "$win" 476 506 click 1
  sleep 0.3
  xdotool key ctrl+a
  xdotool type 1
  xdotool key Tab
  sleep 0.3
  mark tool_click_login
  xdotool mousemove --window "$win" 76 500 click 1   # "1: 手动登陆"
  sleep 2
  # The login form at the top of the page: name, Tab, password, Enter.
  xdotool mousemove --window "$win" 150 27 click 1
  xdotool type --delay 50 admin
  xdotool key Tab
  xdotool type --delay 50 orvo123
  xdotool key Return
  sleep 2
  mark tool_click_start
  xdotool mousemove --window "$win" 236 500 click 1  # "2: 开始自动挂机"
  sleep 3
  import -window "$win" "$dir/window-running.png" 2>/dev/null || true

  # The peer, a few seconds later so that the two start-ups do not overlap.
  sleep 2
  mark peer_launch
  env -u DISPLAY node "$ROOT/bench/peer/peer.js" --base "http://127.0.0.1:$peer_port" \
      --cycle-minutes 1 --cycles "$cycles" --executable "$CHROMIUM" \
      >"$dir/peer-events.jsonl" 2>"$dir/peer.err" &
  local peer=$!
  started+=("$peer")
  echo "$peer" >"$dir/peer.pid"

  # Until the tool has made `cycles` cycles plus 55 s, and the peer is done.
  local deadline=$(( $(now_ms) + (cycles * 60 + 300) * 1000 ))
  local tool_done=0 peer_done=0 last
  while [ $(now_ms) -lt $deadline ]; do
    if [ $tool_done -eq 0 ] && [ "$(collects "$dir/tool-cms.log")" -ge "$cycles" ]; then
      last=$(nth_collect_ms "$dir/tool-cms.log" "$cycles")
      [ $(now_ms) -ge $(( last + 57000 )) ] && tool_done=1
    fi
    if [ $peer_done -eq 0 ]; then
      grep -q '"ev":"done"' "$dir/peer-events.jsonl" 2>/dev/null && peer_done=1
      kill -0 "$peer" 2>/dev/null || peer_done=1
    fi
    [ $tool_done -eq 1 ] && [ $peer_done -eq 1 ] && break
    kill -0 "$tool" 2>/dev/null || { echo "the tool exited early" >&2; break; }
    sleep 1
  done
  mark end
  sleep 1.5
  touch "$dir/stop"
  sleep 1.5
  cleanup
  unset DISPLAY
  python3 "$ROOT/bench/bench_analyze.py" "$dir" --cycles "$cycles" >"$dir/figures.out" || true
}

for r in $(seq 1 "$runs"); do
  echo "run $r of $runs: $(date '+%F %T')"
  run_one "$out/run-$r"
done

python3 "$ROOT/bench/bench_report.py" "$out"/run-*/figures.json | tee "$out/table.md"
