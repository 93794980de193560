#!/usr/bin/env bash
# Applies the mutants of scripts/mutants.txt one at a time to a scratch copy
# of the tree, rebuilds it incrementally, runs the test suite and prints, per
# mutant, whether the suite killed it (some test failed), let it survive, or
# whether it was not applied (its text is not in the file exactly once, or
# the mutated file does not build).
#
#   bash scripts/mutate.sh              every mutant
#   bash scripts/mutate.sh 5 7 12-14    mutants 5, 7, 12, 13 and 14
#   bash scripts/mutate.sh -f main_window  mutants whose file or fault mentions "main_window"
#   bash scripts/mutate.sh -a 5         every test on mutant 5, naming each failing test function
#
# The scratch copy (MUTATE_DIR, default /tmp/mutate-work) takes the tree as it
# is, uncommitted changes included; the working tree itself is never changed.
# It keeps its build folder between runs, so a mutant costs the compilation of
# its file and the linking of the tests that run. Before the mutants the
# unchanged suite must pass (MUTATE_SKIP_BASELINE=1 skips that check and
# reuses the last order); its times put the tests in order, fastest first, and
# a mutant's run stops at its first failing test.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - "$@" <<'PYTHON'
import json, os, re, shutil, subprocess, sys, time

root = os.getcwd()
work = os.environ.get('MUTATE_DIR', '/tmp/mutate-work')
build = os.path.join(work, 'build')
logs = os.path.join(build, 'mutate-logs')
env = dict(os.environ, QT_QPA_PLATFORM='offscreen')
if os.geteuid() == 0:
    env['QTWEBENGINE_DISABLE_SANDBOX'] = '1'


def parse(path):
    mutants, current = [], None
    for line in open(path, encoding='utf-8').read().split('\n'):
        if line.startswith('@ '):
            current = {'file': line[2:].strip(), 'fault': '', 'old': [], 'new': []}
            mutants.append(current)
        elif current is not None and line.startswith('? '):
            current['fault'] = line[2:].strip()
        elif current is not None and line[:1] in ('-', '+'):
            current['old' if line[0] == '-' else 'new'].append(line[1:])
    for m in mutants:
        m['old'], m['new'] = '\n'.join(m['old']), '\n'.join(m['new'])
    return mutants


def select(mutants, args):
    every_test, pattern, numbers = False, None, set()
    rest = list(args)
    while rest:
        arg = rest.pop(0)
        if arg == '-a':
            every_test = True
        elif arg == '-f' and rest:
            pattern = rest.pop(0).lower()
        elif re.fullmatch(r'\d+(-\d+)?', arg):
            first, _, last = arg.partition('-')
            numbers.update(range(int(first), int(last or first) + 1))
        else:
            sys.exit(f'mutate.sh: unknown argument {arg!r}')
    chosen = [(i, m) for i, m in enumerate(mutants, 1)
              if (not numbers or i in numbers)
              and (pattern is None or pattern in (m['file'] + ' ' + m['fault']).lower())]
    return chosen, every_test


def sync():
    """Makes the scratch copy hold the tree's files; unchanged files keep their times."""
    listed = subprocess.run(['git', 'ls-files', '-co', '--exclude-standard', '-z'],
                            capture_output=True, check=True).stdout.decode().split('\0')
    files = {f for f in listed if f and os.path.isfile(f)}
    for f in files:
        target = os.path.join(work, f)
        data = open(f, 'rb').read()
        if not os.path.isfile(target) or open(target, 'rb').read() != data:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, 'wb') as out:
                out.write(data)
            shutil.copymode(f, target)
    for folder, dirs, names in os.walk(work):
        if folder == work:
            dirs[:] = [d for d in dirs if d not in ('build', '.git')]
        for name in names:
            path = os.path.join(folder, name)
            if os.path.relpath(path, work) not in files:
                os.remove(path)


def run(command, log):
    with open(log, 'w') as out:
        return subprocess.run(command, stdout=out, stderr=subprocess.STDOUT, env=env).returncode == 0


# A test without a target of its own name (the same program run another
# way) builds everything.
def build_target(target, log):
    if run(['cmake', '--build', build, '-j2', '--target', target], log):
        return True
    return 'No rule to make target' in open(log, errors='replace').read() and run(['cmake', '--build', build, '-j2'], log)


def run_test(test, timeout, log):
    return run(['ctest', '--test-dir', build, '-R', f'^{test}$', '--stop-on-failure',
                '--output-on-failure', '--timeout', str(timeout)], log)


def failed_functions(log):
    text = open(log, errors='replace').read()
    found = re.findall(r'^FAIL!  : \w+::(\w+)(\([^)]*\))?', text, re.M)
    names = sorted({name + row for name, row in found})
    return names or ['(no test function failed: crash or time-out)']


def tests_in_order(baseline):
    order_file = os.path.join(build, 'mutate-order.json')
    if not baseline and os.path.isfile(order_file):
        return json.load(open(order_file))
    listed = subprocess.run(['ctest', '--test-dir', build, '-N'], capture_output=True, text=True,
                            check=True).stdout
    tests = re.findall(r'Test\s+#\d+: (\S+)', listed)
    timed = []
    for test in tests:
        log = os.path.join(logs, f'baseline-{test}.log')
        if not build_target(test, log):
            sys.exit(f'mutate.sh: {test} does not build without mutants; see {log}')
        started = time.monotonic()
        if not run_test(test, 900, log):
            sys.exit(f'mutate.sh: {test} fails without mutants; see {log}')
        timed.append({'test': test, 'seconds': round(time.monotonic() - started, 1)})
        print(f'baseline: {test} passed in {timed[-1]["seconds"]} s', flush=True)
    timed.sort(key=lambda t: t['seconds'])
    json.dump(timed, open(order_file, 'w'), indent=1)
    return timed


def try_mutant(number, mutant, tests, every_test):
    path = os.path.join(work, mutant['file'])
    if not os.path.isfile(path):
        return 'not applied', 'no such file'
    original = open(path, encoding='utf-8').read()
    count = original.count(mutant['old']) if mutant['old'] else 0
    if count != 1:
        return 'not applied', f'text found {count} times'
    mutated = original.replace(mutant['old'], mutant['new'], 1)
    try:
        with open(path, 'w', encoding='utf-8') as out:
            out.write(mutated)
        if open(path, encoding='utf-8').read() == original:
            return 'not applied', 'the file did not change'
        killers = []
        for t in tests:
            log = os.path.join(logs, f'mutant-{number}-{t["test"]}.log')
            if not build_target(t['test'], log):
                return 'not applied', f'does not build (see {log})'
            if not run_test(t['test'], int(max(60, 3 * t['seconds'] + 30)), log):
                killers.append(f'{t["test"]}: ' + ', '.join(failed_functions(log)))
                if not every_test:
                    break
        return ('killed', '; '.join(killers)) if killers else ('survived', '')
    finally:
        # A new time on the restored file makes the next build compile it again.
        with open(path, 'w', encoding='utf-8') as out:
            out.write(original)


def main():
    mutants = parse(os.path.join(root, 'scripts', 'mutants.txt'))
    chosen, every_test = select(mutants, sys.argv[1:])
    if not chosen:
        sys.exit('mutate.sh: no mutant selected')
    os.makedirs(work, exist_ok=True)
    sync()
    os.makedirs(logs, exist_ok=True)
    # Configured every time, so that the list of tests follows the tree.
    log = os.path.join(logs, 'configure.log')
    if not run(['cmake', '-S', work, '-B', build, '-DCMAKE_BUILD_TYPE=RelWithDebInfo'], log):
        sys.exit(f'mutate.sh: configuring the scratch copy failed; see {log}')
    tests = tests_in_order(os.environ.get('MUTATE_SKIP_BASELINE') != '1')
    print('tests, fastest first: ' + ', '.join(t['test'] for t in tests), flush=True)

    totals = {'killed': 0, 'survived': 0, 'not applied': 0}
    for number, mutant in chosen:
        started = time.monotonic()
        status, detail = try_mutant(number, mutant, tests, every_test)
        totals[status] += 1
        line = f'{number:3} {status:<11} {mutant["file"]}: {mutant["fault"]}'
        if detail:
            line += f'  [{detail}]'
        print(f'{line}  ({time.monotonic() - started:.0f} s)', flush=True)
    applied = totals['killed'] + totals['survived']
    print(f'killed {totals["killed"]} of {applied} applied; survived {totals["survived"]}; '
          f'not applied {totals["not applied"]}; {len(chosen)} selected of {len(mutants)}')


main()
PYTHON
