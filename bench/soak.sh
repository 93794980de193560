#!/usr/bin/env bash
# Builds and runs the soak: soak-runner (the whole window in the real
# browser, hundreds of shortened cycles against the fake CMS with faults on)
# and logic-soak (a virtual week at every listed cycle length). Prints the
# figures as a table and writes them, with the machine, the versions, the
# command and the date, to docs/soak.md.
#
#   bash bench/soak.sh [soak-runner options]   e.g. --cycles 300 --speedup 50
#
# BUILD_DIR picks the build folder (default build-soak). Exits non-zero when
# either soak finds the cycle out of step.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-build-soak}

cmake -S . -B "$build" -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j2 --target soak-runner logic-soak >/dev/null

export QT_QPA_PLATFORM=offscreen
# Chromium refuses to run as root with its sandbox; the tool never turns it
# off itself, the soak does so only when run as root, like the tests.
if [ "$(id -u)" = 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi

args=("$@")
if [ ${#args[@]} -eq 0 ]; then
  args=(--cycles 300 --speedup 50 --cycle-minutes 2)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
started=$(date -u '+%Y-%m-%d %H:%M UTC')

echo "soak-runner ${args[*]}" >&2
runner_status=0
# The runner ends by itself (at the latest at its own time limit); timeout is
# the last resort should the browser wedge the process.
timeout --kill-after=30 4h "$build/bench/soak-runner" "${args[@]}" >"$work/runner.txt" 2>"$work/runner.err" || runner_status=$?
grep -E '^soak-runner:' "$work/runner.err" >&2 || true

echo "logic-soak" >&2
logic_status=0
timeout 30m "$build/bench/logic-soak" >"$work/logic.txt" 2>&1 || logic_status=$?

value() { sed -n "s/^$1: //p" "$work/runner.txt" | head -n 1; }

if [ -z "$(value verdict)" ]; then
  echo "soak-runner gave no figures (exit $runner_status):" >&2
  tail -n 20 "$work/runner.err" >&2
  exit 1
fi

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
memory=$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
debian=$(cat /etc/debian_version 2>/dev/null || echo unknown)
qt=$(dpkg-query -W -f='${Version}' libqt6webenginecore6 2>/dev/null || echo unknown)
qtbase=$(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo unknown)
gxx=$(g++ -dumpfullversion 2>/dev/null || echo unknown)
commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
dirty=$(git status --porcelain -- src tests bench 2>/dev/null | head -n 1)
[ -n "$dirty" ] && commit="$commit (with uncommitted changes)"

{
  echo "# Soak"
  echo
  echo "Run on $started by \`bash bench/soak.sh ${args[*]}\`"
  echo "(\`$build/bench/soak-runner ${args[*]}\`, then \`$build/bench/logic-soak\`), at commit $commit."
  echo
  echo "Machine: $(nproc) cores ($cpu), $memory of memory, Debian $debian, kernel $(uname -r)."
  echo "Versions: Qt $qtbase, QtWebEngine $qt, g++ $gxx, $(cmake --version | head -n 1)."
  echo
  echo "## The window in the real browser"
  echo
  echo "The whole window (MainWindow) with QtWebEngine offscreen, its timers $(value speedup) times faster than in"
  echo "use, $(value cycle_minutes)-minute cycles, against the fake CMS on 127.0.0.1 (fault draws seeded with"
  echo "$(value seed)) answering a share of $(value error_share) of the administration-page requests with 500, $(value hang_share)"
  echo "only after $(value hang_s) s (longer than the 60 s wait), cutting $(value cut_share) off halfway, and ending"
  echo "the login after $(value login_expires_after) of them; the page's render process is killed with SIGKILL"
  echo "once, mid-cycle. Times are in the tool's seconds, counted in ticks of its own timers."
  echo "Whenever the window shows the login-lost sign, the runner logs in again as a person does:"
  echo "\"1\" (which stops the cycle), the login form filled in, then \"2\". A cycle stopped that"
  echo "way is left out of the cycle counts, and the clock's next restart is due a cycle after \"2\"."
  echo
  echo "| figure | value |"
  echo "| --- | --- |"
  echo "| verdict | $(value verdict) |"
  echo "| cycles run | $(value cycles_run) (finished: $(value finished)) |"
  echo "| wall time | $(value run_time_s) s |"
  echo "| restarts all on their tick | $(value restarts_on_tick) ($(value restart_misses) missed) |"
  echo "| cycle length on an independent timer of the same second (shortest to longest) | $(value cycle_length_seen_s) s ($(value cycles_off_pace) off by more than 10 %) |"
  echo "| cycles without their collection request | $(value cycles_without_collection_request) |"
  echo "| cycles whose collection page was answered but that never reached the generation page | $(value cycles_stopped_before_generation) |"
  echo "| cycles that ran whole (collect, press, generate, press, home page) | $(value whole_cycles) |"
  echo "| cycles without faults / of those not whole | $(value clean_cycles) / $(value clean_cycles_not_whole) |"
  echo "| longest stall (a stage waiting without moving on) | $(value longest_stall_s) s |"
  echo "| restarts that found the 60 s collection wait still running | $(value restarts_with_collection_wait_running) |"
  echo "| administration-page requests | $(value admin_requests) |"
  echo "| faults: 500 / hung / cut / login redirects | $(value faults_server_error) / $(value faults_hang) / $(value faults_cut) / $(value login_redirects) |"
  echo "| logins expired / sessions handed out | $(value logins_expired) / $(value sessions_issued) |"
  echo "| run journal: collection presses / generation presses / collection pages opened | $(value journal_collection_presses) / $(value journal_generation_presses) / $(value journal_collection_opens) |"
  echo "| run journal against the CMS's own log (POST /collect, POST /generate?form=2, GET /collect) | differences: $(value journal_vs_cms_differences) |"
  echo "| render process killed at cycle / came back | $(value render_process_killed_at_cycle) / $(value render_process_back) |"
  echo "| resident memory growth from the first sample on (least-squares slope) | $(value rss_growth_mib_per_100_cycles) MiB per 100 cycles |"
  echo "| 123.txt unchanged | $(value settings_unchanged) (sha256 $(value settings_sha256_before) before, $(value settings_sha256_after) after) |"
  echo
  echo "The run journal is compared with what the CMS received: one press line for each POST, one"
  echo "opening of the collection page for each GET. The run ends on its last restart, so the opening"
  echo "of the collection page that this restart starts may be in the journal without reaching the CMS."
  echo
  echo "A restart that finds the 60 s collection wait still running comes after a cycle that a hung collection page"
  echo "pushed past its end; the new cycle's press starts that wait afresh, so it still lasts 60 s."
  echo "A stall is a stage (waiting for the collection or the generation page, or for the 60 s wait) that did not"
  echo "move on; the hung pages account for the longest."
  echo
  echo "Resident memory of the whole process tree (the tool and every QtWebEngineProcess below it,"
  echo "VmRSS summed):"
  echo
  echo "| cycles | MiB | processes |"
  echo "| --- | --- | --- |"
  for sample in $(value rss_samples_cycle_kib_processes); do
    IFS=: read -r cycles kib processes <<<"$sample"
    awk -v c="$cycles" -v k="$kib" -v p="$processes" 'BEGIN { printf "| %d | %.1f | %d |\n", c, k / 1024, p }'
  done
  echo
  echo "## A virtual week at every listed length"
  echo
  echo "The stage machine with its cycle clock and countdown on virtual time, pages loading in 3 s, for"
  echo "7 days per length; every navigation and press compared, with its time, with the course the"
  echo "cycle's rules give (\"exact\": no difference at all)."
  echo
  echo "| length (min) | restarts | reopenings of the home page | course | countdown line as the 2nd restart comes |"
  echo "| --- | --- | --- | --- | --- |"
  tail -n +2 "$work/logic.txt" | while read -r length restarts reopenings rest; do
    course=${rest%% \"*}
    caption=${rest#*\"}
    echo "| $length | $restarts | $reopenings | $course | ${caption%\"} |"
  done
  echo
  echo "The countdown line's last phase counts down to the clock's restart, so from the second cycle on"
  echo "too it reads its last second as the restart comes."
} >"$work/soak.md"

cp "$work/soak.md" "$root/docs/soak.md"
cat "$work/soak.md"

[ "$runner_status" = 0 ] && [ "$logic_status" = 0 ]
