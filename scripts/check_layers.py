#!/usr/bin/env python3
"""Checks that no source file uses a layer above its own.

    scripts/check_layers.py [SRC]

The folders of src/ are layers, each allowed to include its own headers and
those of the layers below it; folders on one level do not include each
other. Tests (*_test.cc) may include anything, and only tests may include
the test support. Every test file must be in the test list of
tests/CMakeLists.txt, which names them one by one. Prints each fault and
exits 1 when there is one.
"""
import os
import re
import sys

# Bottom to top; a level's folders sit side by side.
LEVELS = [
    ["base"],
    ["platform"],
    ["text"],
    ["book"],
    ["stem", "vocabulary", "formats"],
    ["study", "context"],
    ["output"],
    ["testing"],
    ["driver"],
]
LEVEL_OF = {folder: level for level, folders in enumerate(LEVELS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_0-9]+)/', re.MULTILINE)


def arrows_up(src):
    for folder in sorted(os.listdir(src)):
        if not os.path.isdir(os.path.join(src, folder)):
            continue
        if folder not in LEVEL_OF:
            yield f"src/{folder}: a folder that is no layer (add it to {sys.argv[0]})"
            continue
        for root, _, names in os.walk(os.path.join(src, folder)):
            for name in sorted(names):
                if not name.endswith((".h", ".cc")) or name.endswith("_test.cc"):
                    continue
                path = os.path.join(root, name)
                with open(path, encoding="utf-8") as source:
                    text = source.read()
                for used in sorted(set(INCLUDE.findall(text))):
                    if used == folder or used not in LEVEL_OF:
                        continue
                    if used == "testing" and folder != "testing":
                        yield f"{os.path.relpath(path, os.path.dirname(src))}: uses testing/, which only tests may"
                    elif LEVEL_OF[used] >= LEVEL_OF[folder]:
                        yield f"{os.path.relpath(path, os.path.dirname(src))}: uses {used}/, not below {folder}/"


def unlisted_tests(src):
    listing = os.path.join(os.path.dirname(src), "tests", "CMakeLists.txt")
    with open(listing, encoding="utf-8") as source:
        listed = source.read()
    for root, _, names in os.walk(src):
        for name in sorted(names):
            if name.endswith("_test.cc"):
                path = os.path.relpath(os.path.join(root, name), os.path.dirname(src))
                if "${PROJECT_SOURCE_DIR}/" + path not in listed:
                    yield f"{path}: not in the test list of tests/CMakeLists.txt"


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    src = os.path.normpath(os.path.abspath(src))
    found = list(arrows_up(src)) + list(unlisted_tests(src))
    for arrow in found:
        print(arrow)
    if found:
        print(f"{len(found)} fault(s)")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
