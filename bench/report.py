#!/usr/bin/env python3
"""Turns the measurements of bench/run.sh into bench/RESULTS.md.

    report.py SCRATCH_DIR RESULTS_FILE PAIR...
"""
import json
import os
import platform
import subprocess
import sys
import time

LIMITS = {  # lexicull / (wc -l) at most
    "book+en-de": 10, "book-x20+en-de": 15, "book+en-de-x10": 10, "book+de-en": 10,
}


def median_ms(results, name):
    for result in results:
        if result["command"] == name:
            return result["median"] * 1000
    raise KeyError(name)


def machine():
    model = "unknown processor"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as meminfo:
        memory_kib = int(meminfo.readline().split()[1])
    return (f"{model}, {os.cpu_count()} cores, {memory_kib / 1048576:.0f} GiB, "
            f"Linux {platform.release()}")


def main():
    scratch, results_file, pairs = sys.argv[1], sys.argv[2], sys.argv[3:]
    names = []
    for pair in pairs:
        book, vocabulary = pair.split()
        names.append(f"{book[:-4]}+{vocabulary[:-4]}")

    rows, checks, memory = [], [], {}
    outputs = {}
    for name in names:
        with open(os.path.join(scratch, name + ".json")) as source:
            results = json.load(source)["results"]
        times = {command: median_ms(results, command)
                 for command in ("lexicull", "wc -l", "pipeline", "python")}
        with open(os.path.join(scratch, name + ".memory")) as source:
            memory[name] = dict(line.split() for line in source)
        with open(os.path.join(scratch, name + ".outputs")) as source:
            outputs[name] = source.read().split()
        limit_ratio = times["lexicull"] / times["wc -l"]
        fastest_peer = min(times["pipeline"], times["python"])
        rows.append((name, times, limit_ratio, fastest_peer / times["lexicull"]))
        checks.append((f"{name}: lexicull/limit {limit_ratio:.1f} (at most {LIMITS[name]})",
                       limit_ratio <= LIMITS[name]))

    base = "book+en-de"
    base_memory = int(memory[base]["lexicull"])
    checks.append((f"{base}: fastest peer/lexicull {rows[0][3]:.1f} (at least 10)", rows[0][3] >= 10))
    checks.append((f"{base}: peak memory {base_memory / 1024:.1f} MiB (at most 16)",
                   base_memory <= 16 * 1024))
    for name in ("book-x20+en-de", "book+en-de-x10"):
        growth = int(memory[name]["lexicull"]) / base_memory - 1
        checks.append((f"{name}: memory growth over {base} {growth * 100:+.1f}% (at most +10%)",
                       growth <= 0.10))
    for name in names:
        same = len(set(outputs[name])) == 1
        checks.append((f"{name}: the same output on every run", same))
    for name in ("book-x20+en-de", "book+en-de-x10"):
        checks.append((f"{name}: the same output as {base}", outputs[name][0] == outputs[base][0]))

    lines = [
        "# Benchmark results",
        "",
        f"Measured {time.strftime('%Y-%m-%d %H:%M %Z')} on {machine()}, by `bench/run.sh`",
        "(hyperfine: 3 warm-up runs, medians of the timed runs; peak memory: GNU time, median of 3).",
        "The limit is `wc -l` on both files: the cost of reading every byte once.",
        "",
        "| pair | lexicull ms | wc -l ms | pipeline ms | python ms | lexicull/limit | fastest peer/lexicull "
        "| lexicull KiB | pipeline KiB | python KiB |",
        "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |",
    ]
    for name, times, limit_ratio, peer_ratio in rows:
        lines.append(
            f"| {name} | {times['lexicull']:.1f} | {times['wc -l']:.1f} | {times['pipeline']:.1f} "
            f"| {times['python']:.1f} | {limit_ratio:.1f} | {peer_ratio:.1f} "
            f"| {memory[name]['lexicull']} | {memory[name]['pipeline']} | {memory[name]['python']} |")
    lines += ["", "## Targets", ""]
    lines += [f"- {'met' if ok else 'MISSED'}: {text}" for text, ok in checks]
    lines += ["", "The peers follow simpler rules than lexicull (see bench/README.md), so their",
              "output differs; only their time and memory are compared.", ""]
    with open(results_file, "w") as target:
        target.write("\n".join(lines))


if __name__ == "__main__":
    main()
