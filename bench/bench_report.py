#!/usr/bin/env python3
"""Prints the side-by-side table of bench/compare.sh: bench_report.py RUN/figures.json ...

Each cell is the median over the runs, with the lowest and highest run in
brackets when there is more than one run. Markdown, Python stdlib only.
"""
import json
import statistics
import sys


def get(fig, *path):
    for p in path:
        if not isinstance(fig, dict) or p not in fig or fig[p] is None:
            return None
        fig = fig[p]
    return fig


def summary(values, digits=0):
    values = [v for v in values if v is not None]
    if not values:
        return None, 'n/a'
    med = statistics.median(values)
    fmt = (lambda v: f'{v:.{digits}f}')
    text = fmt(med)
    if len(values) > 1:
        text += f' ({fmt(min(values))}–{fmt(max(values))})'
    return med, text


def ratio(a, b, digits=2):
    if a is None or b is None or b == 0:
        return '–'
    return f'{a / b:.{digits}f}'


def main(paths):
    runs = []
    for p in paths:
        with open(p) as f:
            runs.append(json.load(f))
    if not runs:
        print('no runs')
        return 1

    def col(who, *path):
        return [get(r, who, *path) for r in runs]

    def max_abs(who):
        return [max((abs(o) for o in get(r, who, 'restart_offsets_ms') or []), default=None) for r in runs]

    def drift_total(who):
        out = []
        for r in runs:
            s = get(r, who, 'drift_ms_per_cycle')
            n = len(get(r, who, 'restart_offsets_ms') or [])
            out.append(s * (n - 1) if s is not None and n > 1 else None)
        return out

    kinds = {get(r, w, 'memory', 'after_start', 'kind') for r in runs for w in ('tool', 'peer')}
    mem_kind = 'PSS' if kinds <= {'pss'} else 'RSS (PSS not readable for some)'

    rows = []

    def row(label, tool_vals, peer_vals, digits=0):
        tm, tt = summary(tool_vals, digits)
        pm, pt = summary(peer_vals, digits)
        rows.append((label, tt if tool_vals else '–', pt if peer_vals else '–', ratio(tm, pm)))
        return tm, pm

    none = []
    row('Launch → window shown (ms)', col('tool', 'launch_to_window_ms'), none)
    row('Launch → first page request (ms)¹', col('tool', 'launch_to_first_request_ms'),
        col('peer', 'launch_to_first_request_ms'))
    row('Click "1: 手动登陆" → login request (ms)', col('tool', 'click_to_first_request_ms'), none)
    for key, label in (('after_start', 'after start'), ('after_first_cycle', 'after the first cycle'),
                       ('after_last_cycle', 'after the last cycle')):
        row(f'Tree memory {label} (MB {mem_kind.split()[0]})', col('tool', 'memory', key, 'mb'),
            col('peer', 'memory', key, 'mb'))
    if any(get(r, 'tool', 'memory', 'after_last_cycle', 'rss_mb') is not None for r in runs):
        row('Tree memory after the last cycle (MB, sum of RSS)⁵', col('tool', 'memory', 'after_last_cycle', 'rss_mb'),
            col('peer', 'memory', 'after_last_cycle', 'rss_mb'))
    row('Processes in the tree after the last cycle', col('tool', 'memory', 'after_last_cycle', 'processes'),
        col('peer', 'memory', 'after_last_cycle', 'processes'))
    row('CPU while waiting (s per hour)²', col('tool', 'waiting', 'cpu_s_per_hour'),
        col('peer', 'waiting', 'cpu_s_per_hour'), 2)
    row('Waiting time sampled (s)', col('tool', 'waiting', 'waiting_s'), col('peer', 'waiting', 'waiting_s'))
    row('Restarts measured', [len(get(r, 'tool', 'restart_offsets_ms') or []) for r in runs],
        [len(get(r, 'peer', 'restart_offsets_ms') or []) for r in runs])
    row('Worst restart offset from ideal (absolute, ms)³', max_abs('tool'), max_abs('peer'), 1)
    row('Drift: slope of the offsets (ms per cycle)', col('tool', 'drift_ms_per_cycle'),
        col('peer', 'drift_ms_per_cycle'), 3)
    row('Drift over the run (slope × restarts, ms)', drift_total('tool'), drift_total('peer'), 1)
    row('First cycle, start → restart 1 (s)', col('tool', 'first_cycle_s'), col('peer', 'first_cycle_s'), 2)
    row('Xvfb CPU during the tool\'s waits (s per hour)⁴', [r.get('xvfb_cpu_s_per_hour_in_tool_waits') for r in runs],
        none, 2)

    print(f'Runs: {len(runs)} ({", ".join(r.get("run", "?") for r in runs)}); '
          f'cells: median (lowest–highest run)')
    print()
    print('| Measure | Tool | Peer | Tool/peer |')
    print('| --- | ---: | ---: | ---: |')
    for label, t, p, q in rows:
        print(f'| {label} | {t} | {p} | {q} |')
    print()
    print('¹ tool: includes the scripted set-up after the window shows (cycle length typed, '
          'then the click on "1: 手动登陆"); peer: node start to GET /login.')
    print('² utime+stime of the whole tree, over sample seconds with no request from 3 s before to 1 s after.')
    print('³ ideal = restart 1 + k × 60 s, from fake-cms\'s log of GET /collect.')
    print('⁴ not in the tool\'s tree: the X server that paints its window (the peer runs headless).')
    has_rss = any(get(r, 'tool', 'memory', 'after_last_cycle', 'rss_mb') is not None for r in runs)
    if has_rss:
        print('⁵ shared pages counted in every process that maps them; unlike PSS, it does not change when '
              'another program using the same libraries (another QtWebEngine program) starts or stops.')
    print()
    print('Requests per run (median), tool | peer:')
    keys = sorted({k for r in runs for w in ('tool', 'peer') for k in (get(r, w, 'requests') or {})})
    for k in keys:
        t = statistics.median([(get(r, 'tool', 'requests') or {}).get(k, 0) for r in runs])
        p = statistics.median([(get(r, 'peer', 'requests') or {}).get(k, 0) for r in runs])
        print(f'- {k}: {t:g} | {p:g}')
    print()
    print('Restart offsets per run (ms):')
    for r in runs:
        print(f'- {r.get("run")}: tool {get(r, "tool", "restart_offsets_ms")}; '
              f'peer {get(r, "peer", "restart_offsets_ms")}')
    errors = [e for r in runs for e in (get(r, 'peer', 'cycle_errors') or [])]
    if errors:
        print()
        print(f'Peer cycle errors: {len(errors)}, first: {errors[0]}')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
