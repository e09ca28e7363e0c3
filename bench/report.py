#!/usr/bin/env python3
"""Turns the measurements of bench/run.sh into bench/RESULTS.md.

    report.py SCRATCH_DIR RESULTS_FILE PAIR...
"""
import json
import os
import platform
import sys
import time

# lexicull / floor at most, where a target is set.
FLOOR_TARGETS = {"book+en-de": 2, "book-x20+en-de": 2, "book+en-de-x10": 2, "book+de-en": 2,
                 "many-words+de-en": 2}
MEMORY_TARGET_KIB = 16 * 1024
PEERS = ("pipeline", "mawk", "python")


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
    names = [f"{book[:-4]}+{vocabulary[:-4]}" for book, vocabulary in (p.split() for p in pairs)]

    rows, checks = [], []
    for name in names:
        with open(os.path.join(scratch, name + ".json")) as source:
            times = {r["command"]: r["median"] * 1000 for r in json.load(source)["results"]}
        with open(os.path.join(scratch, name + ".memory")) as source:
            memory = {command: int(kib) for command, kib in (line.split() for line in source)}
        with open(os.path.join(scratch, name + ".outputs")) as source:
            outputs = source.read().split()
        ratio = times["lexicull"] / times["floor"]
        rows.append((name, times, ratio, memory))
        if name in FLOOR_TARGETS:
            checks.append((f"{name}: lexicull/floor {ratio:.2f} (at most {FLOOR_TARGETS[name]})",
                           ratio <= FLOOR_TARGETS[name]))
        checks.append((f"{name}: peak memory {memory['lexicull'] / 1024:.1f} MiB (under 16)",
                       memory["lexicull"] < MEMORY_TARGET_KIB))
        checks.append((f"{name}: the same output on every run and with one thread",
                       len(set(outputs)) == 1))

    lines = [
        "# Benchmark results",
        "",
        f"Measured {time.strftime('%Y-%m-%d %H:%M %Z')} on {machine()}, by `bench/run.sh`",
        "(hyperfine: 3 warm-up runs, medians of the timed runs, every output to a regular file;",
        "peak memory: GNU time, median of 3). The floor reads both files to their ends in",
        "128 KiB blocks and writes the expected output with one write per line: what any",
        "program doing the job must do. Flush ms is what its write per line costs over one",
        "write of the whole output: the price of the output contract, paid by every program",
        "that keeps it. A peer ratio is the peer's time over lexicull's.",
        "",
        "| pair | lexicull ms | 1 thread ms | floor ms | flush ms | lexicull/floor | lexicull KiB "
        "| pipeline/lexicull | mawk/lexicull | python/lexicull | pipeline KiB | mawk KiB | python KiB |",
        "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |",
    ]
    for name, times, ratio, memory in rows:
        peers = " | ".join(f"{times[peer] / times['lexicull']:.1f}" for peer in PEERS)
        peer_memory = " | ".join(str(memory[peer]) for peer in PEERS)
        lines.append(
            f"| {name} | {times['lexicull']:.1f} | {times['lexicull, 1 thread']:.1f} "
            f"| {times['floor']:.1f} | {times['floor'] - times['floor, one write']:.1f} "
            f"| {ratio:.2f} | {memory['lexicull']} | {peers} | {peer_memory} |")
    study_file = os.path.join(scratch, "study.json")
    if os.path.exists(study_file):
        with open(study_file) as source:
            study = {r["command"]: r["median"] * 1000 for r in json.load(source)["results"]}
        with open(os.path.join(scratch, "study.memory")) as source:
            study_kib = int(source.read())
        study_ratio = study["study"] / study["plain"]
        lines += ["", "## Study list", "",
                  "book+en-de with `--known=known-2000.txt --order=frequency` against the plain",
                  "run, both timed together, medians:", "",
                  "| plain ms | study list ms | study/plain | study list KiB |",
                  "| ---: | ---: | ---: | ---: |",
                  f"| {study['plain']:.1f} | {study['study']:.1f} | {study_ratio:.2f} | {study_kib} |"]
        checks.append((f"study list: {study_ratio:.2f} times the plain run (at most 1.25)",
                       study_ratio <= 1.25))
        checks.append((f"study list: peak memory {study_kib / 1024:.1f} MiB (under 16)",
                       study_kib < MEMORY_TARGET_KIB))
    epub_file = os.path.join(scratch, "epub.json")
    if os.path.exists(epub_file):
        with open(epub_file) as source:
            epub = json.load(source)
        with open(os.path.join(scratch, "epub.memory")) as source:
            epub_kib = int(source.read())
        with open(os.path.join(scratch, "epub.outputs")) as source:
            epub_same = source.read().strip() == "same"
        epub_ratio = epub["ratio"]
        lines += ["", "## EPUB", "",
                  "book.epub (book.txt as 66 XHTML documents) against book.txt, with en-de,",
                  f"{epub['pairs']} runs of each in pairs, the order alternating (bench/paired.py);",
                  "medians, and the median of the pairs' ratios:", "",
                  "| book.txt ms | book.epub ms | epub/text | book.epub KiB | same output |",
                  "| ---: | ---: | ---: | ---: | --- |",
                  f"| {epub['first_ms']:.1f} | {epub['second_ms']:.1f} | {epub_ratio:.2f} | "
                  f"{epub_kib} | {'yes' if epub_same else 'NO'} |"]
        checks.append((f"EPUB: {epub_ratio:.2f} times the plain text (at most 2)", epub_ratio <= 2))
        checks.append(("EPUB: the plain text's output", epub_same))
    dictd_file = os.path.join(scratch, "dictd.json")
    if os.path.exists(dictd_file):
        with open(dictd_file) as source:
            dictd = json.load(source)
        with open(os.path.join(scratch, "dictd.memory")) as source:
            dictd_kib = int(source.read())
        dictd_ratio = dictd["ratio"]
        lines += ["", "## dictd dictionary", "",
                  "book.txt with freedict-eng-deu (index and dictzip data) against the same",
                  "dictionary converted to key|translation lines (every headword with the senses",
                  f"of its entries), {dictd['pairs']} runs of each in pairs, the order alternating:", "",
                  "| converted ms | dictd ms | dictd/converted | dictd KiB |",
                  "| ---: | ---: | ---: | ---: |",
                  f"| {dictd['first_ms']:.1f} | {dictd['second_ms']:.1f} | {dictd_ratio:.2f} | "
                  f"{dictd_kib} |"]
        checks.append((f"dictd: {dictd_ratio:.2f} times the converted file (at most 2.5)",
                       dictd_ratio <= 2.5))
        checks.append((f"dictd: peak memory {dictd_kib / 1024:.1f} MiB (at most 64)",
                       dictd_kib <= 64 * 1024))
    format_rows = []
    for name, plain, formatted, most in (("xhtml", "book.txt", "book.xhtml", 2),
                                         ("html", "book.txt", "book-tagsoup.html", 4),
                                         ("srt", "film.txt", "film.srt", None)):
        path = os.path.join(scratch, f"format-{name}.json")
        if not os.path.exists(path):
            continue
        with open(path) as source:
            pair = json.load(source)
        with open(os.path.join(scratch, f"format-{name}.outputs")) as source:
            same = source.read().strip() == "same"
        format_rows.append(f"| {formatted} | {plain} | {pair['first_ms']:.1f} | "
                           f"{pair['second_ms']:.1f} | {pair['ratio']:.2f} | {'yes' if same else 'NO'} |")
        checks.append((f"{formatted}: the output of {plain}", same))
        if most is not None:
            checks.append((f"{formatted}: {pair['ratio']:.2f} times {plain} (at most {most})",
                           pair["ratio"] <= most))
    srt_alone = os.path.join(scratch, "format-srt-alone.json")
    if format_rows and os.path.exists(srt_alone):
        with open(srt_alone) as source:
            alone = json.load(source)
        share = alone["second_ms"] - alone["first_ms"]
        lines += ["", "## Book formats", "",
                  "Each book against the same words as plain text, with en-de, in pairs, the order",
                  "alternating (bench/paired.py); medians, and the median of the pairs' ratios:", "",
                  "| book | its text | text ms | book ms | book/text | same output |",
                  "| --- | --- | ---: | ---: | ---: | --- |"] + format_rows + [
                  "", f"film.srt (1,500 cues) takes {share:.1f} ms of a run: the run on it, "
                  f"{alone['second_ms']:.1f} ms, less one on an empty book, {alone['first_ms']:.1f} ms."]
        checks.append((f"film.srt: {share:.1f} ms of the run (under 10)", share < 10))
    cards_file = os.path.join(scratch, "cards.json")
    if os.path.exists(cards_file):
        with open(cards_file) as source:
            cards = json.load(source)
        with open(os.path.join(scratch, "cards.memory")) as source:
            peaks = dict(line.split() for line in source if line.strip())
        lines += ["", "## Flash cards", "",
                  "book.txt with en-de, --format=anki against the plain lines, in pairs:", "",
                  "| lines ms | anki ms | anki/lines | lines KiB | anki KiB |",
                  "| ---: | ---: | ---: | ---: | ---: |",
                  f"| {cards['first_ms']:.1f} | {cards['second_ms']:.1f} | {cards['ratio']:.2f} | "
                  f"{peaks['lines']} | {peaks['anki']} |"]
        checks.append((f"anki cards: {cards['ratio']:.2f} times the lines (at most 1.5)",
                       cards["ratio"] <= 1.5))
    lines += ["", "## Targets", ""]
    lines += [f"- {'met' if ok else 'MISSED'}: {text}" for text, ok in checks]
    lines += ["", "The peers follow simpler rules than lexicull (see bench/README.md), so their",
              "output differs; only their time and memory are compared. The >4 GiB FIFO runs",
              "print their peak memory in the `limits` suite of scripts/test.sh.", ""]
    with open(results_file, "w") as target:
        target.write("\n".join(lines))


if __name__ == "__main__":
    main()
