#!/usr/bin/env python3
"""Samples the CPU time and memory of process trees, for bench/compare.sh.

    bench_sample.py --out FILE [--interval 1.0] --root NAME=PIDFILE ... [--stop-file F]

Each --root names a tree by the file that holds its root's pid (read again at
every sample, so a tree may start later; a missing or empty file is skipped).
Every interval it writes one JSON line:

    {"t": epoch-ms, "trees": {NAME: {"pids": [...], "cpu_ticks": N, "mem_kb": N,
                                      "mem_kind": "pss"|"rss", "rss_kb": N}}}

cpu_ticks: utime+stime+cutime+cstime of every live process of the tree, in
clock ticks (os.sysconf('SC_CLK_TCK') per second, written once as "clk_tck"
in the first line). Adding the children's times of each member keeps the sum
from dropping when a helper process that its parent reaped goes away.
mem_kb: PSS from /proc/PID/smaps_rollup where readable, else RSS (VmRSS);
mem_kind says which (the weaker one if the tree mixes both). rss_kb: the sum of
VmRSS as well (shared pages counted once per process: an upper bound that,
unlike PSS, does not move when another program mapping the same libraries
starts or stops).

Stops when the stop file exists, or on SIGTERM/SIGINT. Python stdlib only.
"""
import argparse
import json
import os
import signal
import sys
import time


def read_stat(pid):
    """(ppid, cpu ticks incl. reaped children) of pid, or None."""
    try:
        with open(f'/proc/{pid}/stat', 'rb') as f:
            data = f.read().decode('latin-1')
    except OSError:
        return None
    # The command may hold spaces and parentheses; the fields follow the last ')'.
    rest = data[data.rindex(')') + 2:].split()
    ppid = int(rest[1])
    utime, stime, cutime, cstime = (int(x) for x in rest[11:15])
    return ppid, utime + stime + cutime + cstime


def process_table():
    table = {}
    for name in os.listdir('/proc'):
        if name.isdigit():
            st = read_stat(int(name))
            if st is not None:
                table[int(name)] = st
    return table


def tree_of(root, table):
    children = {}
    for pid, (ppid, _) in table.items():
        children.setdefault(ppid, []).append(pid)
    out, todo = [], [root]
    while todo:
        pid = todo.pop()
        if pid in table:
            out.append(pid)
            todo.extend(children.get(pid, ()))
    return sorted(out)


def rss_kb(pid):
    try:
        with open(f'/proc/{pid}/status') as f:
            for line in f:
                if line.startswith('VmRSS:'):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def memory_kb(pid):
    """(kB, 'pss'|'rss') or None when the process is gone."""
    try:
        with open(f'/proc/{pid}/smaps_rollup') as f:
            for line in f:
                if line.startswith('Pss:'):
                    return int(line.split()[1]), 'pss'
    except OSError:
        pass
    try:
        with open(f'/proc/{pid}/status') as f:
            for line in f:
                if line.startswith('VmRSS:'):
                    return int(line.split()[1]), 'rss'
    except OSError:
        return None
    return 0, 'rss'  # a zombie has no memory left


def read_pid(path):
    try:
        with open(path) as f:
            text = f.read().strip()
        return int(text) if text else None
    except (OSError, ValueError):
        return None


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--out', required=True)
    ap.add_argument('--interval', type=float, default=1.0)
    ap.add_argument('--root', action='append', default=[], metavar='NAME=PIDFILE')
    ap.add_argument('--stop-file')
    args = ap.parse_args()
    roots = [r.split('=', 1) for r in args.root]

    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    signal.signal(signal.SIGINT, lambda *_: stopping.append(1))

    first = True
    next_at = time.monotonic()
    with open(args.out, 'a', buffering=1) as out:
        while not stopping and not (args.stop_file and os.path.exists(args.stop_file)):
            t = int(time.time() * 1000)
            table = process_table()
            trees = {}
            for name, pidfile in roots:
                root = read_pid(pidfile)
                if root is None or root not in table:
                    continue
                pids = tree_of(root, table)
                mem, rss, kinds = 0, 0, set()
                for pid in pids:
                    m = memory_kb(pid)
                    if m is not None:
                        mem += m[0]
                        kinds.add(m[1])
                    rss += rss_kb(pid)
                trees[name] = {
                    'pids': pids,
                    'cpu_ticks': sum(table[p][1] for p in pids),
                    'mem_kb': mem,
                    'mem_kind': 'rss' if 'rss' in kinds else 'pss',
                    'rss_kb': rss,
                }
            line = {'t': t, 'trees': trees}
            if first:
                line['clk_tck'] = os.sysconf('SC_CLK_TCK')
                first = False
            out.write(json.dumps(line, separators=(',', ':')) + '\n')
            next_at += args.interval
            delay = next_at - time.monotonic()
            if delay < 0:  # fell behind (a busy machine): keep the grid, skip the missed beats
                next_at += -delay // args.interval * args.interval + args.interval
                delay = next_at - time.monotonic()
            time.sleep(max(0.0, delay))
    return 0


if __name__ == '__main__':
    sys.exit(main())
