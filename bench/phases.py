#!/usr/bin/python3
"""Where the launcher's start-up time goes: runs it N times in a fresh Xvfb with the probe
preloaded and prints, for each step, the median moment it began and ended, in ms after the
clock was read before the process was started.

    /usr/bin/python3 bench/phases.py BUILD_DIR [--runs N] [-- EXTRA=ENV ...]
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import measure as harness  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=9)
    ap.add_argument("env", nargs="*", help="NAME=VALUE added to the launcher's environment")
    args = ap.parse_intermixed_args()
    bench = harness.Bench(args.build, 0, 0)
    probe = bench.tool("libgorvex-bench-probe.so")
    steps = {}
    try:
        for run in range(args.runs + 1):
            x = harness.xvfb()
            stamp, log = os.path.join(bench.tmp, "presented"), os.path.join(bench.tmp, "probe")
            for p in (stamp, log):
                if os.path.exists(p):
                    os.unlink(p)
            env = dict(os.environ, DISPLAY=x.display, GORVEX_PRESENTED_STAMP=stamp,
                       GORVEX_PROBE=log, LD_PRELOAD=probe)
            env.update(e.split("=", 1) for e in args.env)
            t0 = time.monotonic_ns()
            proc = subprocess.Popen([os.path.join(bench.folder, "gorvex-launcher")], env=env,
                                    cwd=bench.folder)
            line = harness.wait_for_line(stamp, 15)
            proc.terminate()
            proc.wait()
            x.stop()
            if line is None or run == 0:  # the first run warms the file cache
                continue
            seen = set()
            with open(log) as f:
                for entry in f:
                    name, enter, leave = entry.split()
                    if name in seen:
                        continue
                    seen.add(name)
                    steps.setdefault(name, []).append(
                        ((int(enter) - t0) / 1e6, (int(leave) - t0) / 1e6))
            steps.setdefault("stamp: first complete screen", []).append(
                ((int(line) - t0) / 1e6,) * 2)
    finally:
        bench.close()
    rows = sorted(steps.items(), key=lambda kv: statistics.median(v[0] for v in kv[1]))
    print(f"{'step':36} {'begins, ms':>11} {'ends, ms':>9} {'takes, ms':>10}  runs")
    for name, spans in rows:
        b = statistics.median(s[0] for s in spans)
        e = statistics.median(s[1] for s in spans)
        d = statistics.median(s[1] - s[0] for s in spans)
        print(f"{name:36} {b:11.2f} {e:9.2f} {d:10.2f}  {len(spans)}")


if __name__ == "__main__":
    main()
