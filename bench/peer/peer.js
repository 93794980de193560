#!/usr/bin/env node
// The peer for bench/compare.sh: the same collection cycle as the tool, run by
// playwright-core in Debian's Chromium.
//
//   node bench/peer/peer.js --base http://127.0.0.1:PORT --cycle-minutes 1 --cycles N
//        [--headed] [--executable /usr/bin/chromium] [--login-wait-s 2]
//
// Opens /login and logs in through its form, waits --login-wait-s (the user's
// pause between the two buttons), then runs N cycles. A cycle: open /collect,
// click its single submit_button, 60 s after that click open /generate, click
// its second submit_button, 20 s later open /homepage. The cycle clock starts
// when the first cycle opens /homepage; restart k (k >= 1) is due at exactly
// that moment + k x cycle length, on the monotonic clock, like the tool's 1000
// ms precise timer that counts cycle-length x 60 ticks. A restart takes the
// page over: steps of the previous cycle that are still pending are dropped
// (with a 1-minute cycle the 60 s + 20 s of waits do not fit in a cycle, so
// only the first and the last cycle reach /generate and /homepage).
//
// Prints one JSON object per line on stdout: {"t": epoch-ms, "ev": "...", ...}.
// After the last cycle it prints "done" and stays until SIGTERM/SIGINT (so
// that its memory can be measured), then closes the browser and exits.
'use strict';

const { chromium } = require('playwright-core');

function parseArgs(argv) {
  const opts = {
    base: null,
    cycleMinutes: 1,
    cycles: 10,
    headed: false,
    executable: '/usr/bin/chromium',
    loginWaitS: 2,
    collectWaitS: 60,
    generateWaitS: 20,
    settleS: 5,
  };
  for (let i = 2; i < argv.length; ++i) {
    const a = argv[i];
    const next = () => {
      if (i + 1 >= argv.length) throw new Error(`${a} needs a value`);
      return argv[++i];
    };
    switch (a) {
      case '--base': opts.base = next().replace(/\/+$/, ''); break;
      case '--cycle-minutes': opts.cycleMinutes = Number(next()); break;
      case '--cycles': opts.cycles = parseInt(next(), 10); break;
      case '--headed': opts.headed = true; break;
      case '--executable': opts.executable = next(); break;
      case '--login-wait-s': opts.loginWaitS = Number(next()); break;
      // Shorter waits, for trying the script out only; the benchmark keeps 60 and 20.
      case '--collect-wait-s': opts.collectWaitS = Number(next()); break;
      case '--generate-wait-s': opts.generateWaitS = Number(next()); break;
      default: throw new Error(`unknown argument ${a}`);
    }
  }
  if (!opts.base) throw new Error('--base is required');
  if (!(opts.cycleMinutes > 0)) throw new Error('--cycle-minutes must be > 0');
  if (!(opts.cycles >= 1)) throw new Error('--cycles must be >= 1');
  return opts;
}

// Wall clock for the log (comparable with fake-cms's epoch-ms), monotonic clock for waits.
const mono = () => performance.now();
function emit(ev, extra = {}) {
  process.stdout.write(JSON.stringify({ t: Date.now(), ev, ...extra }) + '\n');
}

class Cancelled extends Error {}

// A wait until a monotonic deadline that a newer cycle can cut short. It is
// re-armed at least once a second, like the tool's 1000 ms tick: Linux lets a
// poll/epoll timeout run late by 0.1% of its length (up to 100 ms), so a single
// 60 s timeout wakes up to ~60 ms late. Node's timers may also fire a little
// early (whole milliseconds of loop time); the wait goes on until the deadline.
function sleepUntil(deadline, token) {
  return new Promise((resolve, reject) => {
    if (token && token.cancelled) return reject(new Cancelled());
    let timer = null;
    const arm = () => {
      const left = deadline - mono();
      if (left <= 0) {
        if (token) token.wake = null;
        resolve();
        return;
      }
      timer = setTimeout(arm, Math.min(1000, Math.ceil(left)));
    };
    if (token) token.wake = () => { clearTimeout(timer); reject(new Cancelled()); };
    arm();
  });
}

function check(token) {
  if (token.cancelled) throw new Cancelled();
}

async function main() {
  const opts = parseArgs(process.argv);
  const cycleMs = opts.cycleMinutes * 60000;
  const args = [
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--no-first-run', '--disable-quic',
  ];
  if (process.getuid && process.getuid() === 0) args.push('--no-sandbox');

  emit('start', { pid: process.pid });
  const browser = await chromium.launch({
    executablePath: opts.executable,
    headless: !opts.headed,
    args,
  });
  emit('browser', { version: browser.version() });
  const context = await browser.newContext();
  const page = await context.newPage();

  let stopping = false;
  const stop = async (code) => {
    if (stopping) return;
    stopping = true;
    try { await browser.close(); } catch (_) { /* already gone */ }
    process.exit(code);
  };
  process.on('SIGTERM', () => stop(0));
  process.on('SIGINT', () => stop(0));

  await page.goto(`${opts.base}/login`);
  await page.fill('[name=username]', 'admin');
  await page.fill('[name=password]', 'orvo123');
  await Promise.all([page.waitForNavigation(), page.click('[name=submit_button]')]);
  emit('login');
  await sleepUntil(mono() + opts.loginWaitS * 1000);

  let clockStart = null; // monotonic time the cycle clock started
  let clockStarted;      // resolves when it starts
  const clockStartedP = new Promise((resolve) => { clockStarted = resolve; });
  const startClock = () => {
    if (clockStart === null) {
      clockStart = mono();
      clockStarted();
    }
  };
  let current = null;    // the running cycle's token

  const runCycle = async (k, token) => {
    const label = { cycle: k };
    try {
      emit('collect', label);
      await page.goto(`${opts.base}/collect`);
      check(token);
      const clickAt = mono();
      await page.locator('[name="submit_button"], [id="submit_button"]').click();
      emit('collect-clicked', label);
      await sleepUntil(clickAt + opts.collectWaitS * 1000, token);
      emit('generate', label);
      await page.goto(`${opts.base}/generate`);
      check(token);
      await page.locator('[name="submit_button"]').nth(1).click();
      emit('generate-clicked', label);
      await sleepUntil(mono() + opts.generateWaitS * 1000, token);
      emit('homepage', label);
      startClock();
      await page.goto(`${opts.base}/homepage`);
      check(token);
      emit('cycle-done', label);
    } catch (e) {
      if (e instanceof Cancelled || token.cancelled) {
        emit('cycle-cut', label);
        return;
      }
      // A failed page or click: the next restart comes all the same, as the tool's does.
      emit('cycle-error', { ...label, error: String((e && e.message) || e).split('\n')[0] });
    } finally {
      // A first cycle that failed before /homepage starts the clock when it ends.
      startClock();
    }
  };

  const start = (k) => {
    if (current) {
      current.cancelled = true;
      if (current.wake) current.wake();
    }
    const token = { cancelled: false, wake: null };
    current = token;
    return runCycle(k, token);
  };

  let lastDone = start(0);
  if (opts.cycles > 1) {
    await clockStartedP;
    for (let k = 1; k < opts.cycles; ++k) {
      await sleepUntil(clockStart + k * cycleMs);
      emit('restart', { cycle: k, lateMs: Math.round((mono() - (clockStart + k * cycleMs)) * 1000) / 1000 });
      lastDone = start(k);
    }
  }
  await lastDone;
  await sleepUntil(mono() + opts.settleS * 1000);
  emit('done');
  // Stay until told to stop, so that the tree can be measured after the last cycle.
  setInterval(() => {}, 1 << 30);
}

main().catch((e) => {
  emit('fatal', { error: String(e && e.stack || e) });
  process.exit(1);
});
