#!/usr/bin/env python3
"""Turns one run of bench/compare.sh into figures: bench_analyze.py RUN_DIR [--cycle-s 60] [--cycles N]

Reads from RUN_DIR:
  markers.txt      "NAME EPOCH_MS" lines written by compare.sh (tool_launch, tool_window,
                   tool_click_login, tool_click_start, peer_launch)
  tool-cms.log     fake-cms's request log of the tool's CMS ("<epoch-ms> <METHOD> <target> <0|1>")
  peer-cms.log     the same for the peer's CMS
  peer-events.jsonl the peer's own event lines
  samples.jsonl    bench_sample.py's samples (trees "tool", "peer", "xvfb")
Writes RUN_DIR/figures.json and prints it. Python stdlib only.

Definitions (the same for both clients):
  restarts        the GET /collect requests after the first one (the first starts cycle 0)
  offset k        restart k's arrival minus (restart 1 + (k-1) x cycle), in ms
  drift           least-squares slope of the offsets against k, ms per cycle
  end             the last restart + 55 s (the last cycle, idle before its next step)
  waiting         a sample interval [a, b] after cycle 0 has started and before end, with no
                  request to that client's CMS from a-3 s to b+1 s and the same processes at a
                  and b; CPU per hour = CPU seconds in those intervals / their length x 3600
  memory          the last sample before: the first GET /collect (after start, login page
                  open); restart 1 (after the first cycle); end (after the last cycle)
"""
import argparse
import json
import os
import statistics
import sys

SETTLE_BEFORE_MS = 3000   # a page's load and paint after its request
LEAD_AFTER_MS = 1000      # a timer's work just before the request it sends
END_AFTER_LAST_MS = 55000


def read_markers(path):
    marks = {}
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 2:
                marks[parts[0]] = int(parts[1])
    return marks


def read_cms_log(path):
    reqs = []
    with open(path, errors='replace') as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 3 and parts[0].isdigit():
                reqs.append({'t': int(parts[0]), 'method': parts[1], 'target': parts[2],
                             'session': parts[3] if len(parts) > 3 else ''})
    return [r for r in reqs if not r['target'].startswith('/favicon')]


def path_of(target):
    return target.split('?', 1)[0]


def read_jsonl(path):
    out = []
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                line = line.strip()
                if line.startswith('{'):
                    try:
                        out.append(json.loads(line))
                    except ValueError:
                        pass
    return out


def slope(xs, ys):
    if len(xs) < 2:
        return None
    mx, my = statistics.fmean(xs), statistics.fmean(ys)
    sxx = sum((x - mx) ** 2 for x in xs)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx if sxx else None


def last_before(samples, name, t):
    best = None
    for s in samples:
        if s['t'] <= t and name in s['trees']:
            best = s
    return best


def memory_at(samples, name, t):
    s = last_before(samples, name, t)
    if s is None:
        return None
    tree = s['trees'][name]
    return {'mb': round(tree['mem_kb'] / 1024, 1), 'kind': tree['mem_kind'],
            'rss_mb': round(tree['rss_kb'] / 1024, 1) if 'rss_kb' in tree else None,
            'processes': len(tree['pids']), 'age_ms': t - s['t']}


def waiting_cpu(samples, name, reqs, start, end, clk_tck):
    times = sorted(r['t'] for r in reqs)
    cpu = span = 0.0
    intervals = 0
    prev = None
    for s in samples:
        cur = s['trees'].get(name)
        if cur is None:
            prev = None
            continue
        if prev is not None:
            a, b = prev[0], s['t']
            ok = a >= start and b <= end and prev[1]['pids'] == cur['pids']
            if ok:
                lo, hi = a - SETTLE_BEFORE_MS, b + LEAD_AFTER_MS
                ok = not any(lo <= t <= hi for t in times)
            if ok and cur['cpu_ticks'] >= prev[1]['cpu_ticks']:
                cpu += (cur['cpu_ticks'] - prev[1]['cpu_ticks']) / clk_tck
                span += (b - a) / 1000
                intervals += 1
        prev = (s['t'], cur)
    if span <= 0:
        return None
    return {'cpu_s_per_hour': round(cpu / span * 3600, 2), 'cpu_s': round(cpu, 2),
            'waiting_s': round(span, 1), 'intervals': intervals}


def rate_over(samples, name, windows_of, clk_tck):
    """CPU s/hour of tree `name` over the same intervals as windows_of (list of (a, b))."""
    by_t = {s['t']: s['trees'].get(name) for s in samples}
    cpu = span = 0.0
    for a, b in windows_of:
        x, y = by_t.get(a), by_t.get(b)
        if x and y and x['pids'] == y['pids'] and y['cpu_ticks'] >= x['cpu_ticks']:
            cpu += (y['cpu_ticks'] - x['cpu_ticks']) / clk_tck
            span += (b - a) / 1000
    return round(cpu / span * 3600, 2) if span else None


def waiting_windows(samples, name, reqs, start, end):
    times = sorted(r['t'] for r in reqs)
    out, prev = [], None
    for s in samples:
        cur = s['trees'].get(name)
        if cur is not None and prev is not None:
            a, b = prev[0], s['t']
            if a >= start and b <= end and prev[1]['pids'] == cur['pids'] and \
                    not any(a - SETTLE_BEFORE_MS <= t <= b + LEAD_AFTER_MS for t in times):
                out.append((a, b))
        prev = (s['t'], cur) if cur is not None else None
    return out


def client_figures(name, reqs, samples, clk_tck, cycle_ms, launch_ms, extra, cycles=None):
    collects = [r['t'] for r in reqs if r['method'] == 'GET' and path_of(r['target']) == '/collect']
    if cycles:
        # The same number of cycles for both; requests after the last one's end are left out.
        collects = collects[:cycles]
        if len(collects) >= 2:
            reqs = [r for r in reqs if r['t'] <= collects[-1] + END_AFTER_LAST_MS]
    fig = {'requests': {}}
    for r in reqs:
        key = f"{r['method']} {r['target']}"
        fig['requests'][key] = fig['requests'].get(key, 0) + 1
    fig['requests_without_session'] = sum(1 for r in reqs if r['session'] == '0'
                                          and path_of(r['target']) != '/login')
    if reqs and launch_ms is not None:
        fig['launch_to_first_request_ms'] = reqs[0]['t'] - launch_ms
    fig.update(extra)
    fig['cycles'] = len(collects)
    if len(collects) < 2:
        fig['error'] = 'fewer than two collection requests'
        return fig
    restarts = collects[1:]
    offsets = [t - (restarts[0] + k * cycle_ms) for k, t in enumerate(restarts)]
    s = slope(list(range(len(offsets))), offsets)
    fig['first_cycle_s'] = round((restarts[0] - collects[0]) / 1000, 3)
    fig['restart_offsets_ms'] = offsets
    fig['max_abs_offset_ms'] = max(abs(o) for o in offsets)
    fig['drift_ms_per_cycle'] = round(s, 3) if s is not None else None
    fig['drift_ms_per_hour'] = round(s * 3600000 / cycle_ms, 1) if s is not None else None
    fig['restart_gaps_ms'] = [b - a for a, b in zip(restarts, restarts[1:])]
    end = restarts[-1] + END_AFTER_LAST_MS
    fig['memory'] = {
        'after_start': memory_at(samples, name, collects[0]),
        'after_first_cycle': memory_at(samples, name, restarts[0]),
        'after_last_cycle': memory_at(samples, name, end),
    }
    fig['waiting'] = waiting_cpu(samples, name, reqs, collects[0], end, clk_tck)
    windows = waiting_windows(samples, name, reqs, collects[0], end)
    fig['_windows'] = windows
    return fig


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('run_dir')
    ap.add_argument('--cycle-s', type=float, default=60)
    ap.add_argument('--cycles', type=int, default=0, help='use the first N cycles of each (0: all)')
    args = ap.parse_args()
    d = args.run_dir
    cycle_ms = int(args.cycle_s * 1000)
    marks = read_markers(os.path.join(d, 'markers.txt'))
    samples = read_jsonl(os.path.join(d, 'samples.jsonl'))
    clk_tck = next((s['clk_tck'] for s in samples if 'clk_tck' in s), 100)
    events = read_jsonl(os.path.join(d, 'peer-events.jsonl'))

    tool_reqs = read_cms_log(os.path.join(d, 'tool-cms.log'))
    peer_reqs = read_cms_log(os.path.join(d, 'peer-cms.log'))

    tool_extra = {}
    if 'tool_window' in marks and 'tool_launch' in marks:
        tool_extra['launch_to_window_ms'] = marks['tool_window'] - marks['tool_launch']
    if 'tool_click_login' in marks and tool_reqs:
        tool_extra['click_to_first_request_ms'] = tool_reqs[0]['t'] - marks['tool_click_login']
    peer_extra = {}
    ev = {e['ev']: e for e in reversed(events)}
    if 'browser' in ev and 'peer_launch' in marks:
        peer_extra['launch_to_browser_ms'] = ev['browser']['t'] - marks['peer_launch']
        peer_extra['chromium'] = ev['browser'].get('version')
    peer_extra['cycle_errors'] = [e for e in events if e['ev'] == 'cycle-error']

    figures = {
        'run': os.path.basename(os.path.abspath(d)),
        'cycle_s': args.cycle_s,
        'tool': client_figures('tool', tool_reqs, samples, clk_tck, cycle_ms, marks.get('tool_launch'), tool_extra, args.cycles),
        'peer': client_figures('peer', peer_reqs, samples, clk_tck, cycle_ms, marks.get('peer_launch'), peer_extra, args.cycles),
    }
    # The X server paints the tool's window: its CPU over the tool's waiting stretches.
    windows = figures['tool'].pop('_windows', [])
    figures['peer'].pop('_windows', None)
    figures['xvfb_cpu_s_per_hour_in_tool_waits'] = rate_over(samples, 'xvfb', windows, clk_tck)
    with open(os.path.join(d, 'figures.json'), 'w') as f:
        json.dump(figures, f, indent=1, ensure_ascii=False)
    json.dump(figures, sys.stdout, indent=1, ensure_ascii=False)
    print()
    return 0


if __name__ == '__main__':
    sys.exit(main())
