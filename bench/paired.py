#!/usr/bin/env python3
"""Times two commands in pairs, one right after the other, the order
alternating, so that a slow spell of the machine hits both alike.

    bench/paired.py RUNS OUT.json FIRST SECOND

FIRST and SECOND are shell commands; each run's output goes where the
command sends it. Writes the median time of each (ms) and the median of
the ratios SECOND/FIRST of the pairs.
"""
import json
import statistics
import subprocess
import sys
import time


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, shell=True, check=True)
    return (time.perf_counter() - start) * 1000


def main():
    runs, out, first, second = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
    for command in (first, second):  # warm the cache
        timed(command)
    pairs = []
    for run in range(runs):
        if run % 2 == 0:
            a = timed(first)
            b = timed(second)
        else:
            b = timed(second)
            a = timed(first)
        pairs.append((a, b))
    result = {
        "first_ms": statistics.median(a for a, _ in pairs),
        "second_ms": statistics.median(b for _, b in pairs),
        "ratio": statistics.median(b / a for a, b in pairs),
        "pairs": runs,
    }
    with open(out, "w") as target:
        json.dump(result, target)


if __name__ == "__main__":
    main()
