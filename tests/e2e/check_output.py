#!/usr/bin/env python3
"""Checks that a file holds well-formed lexicull output:

    check_output.py FILE

every line is `word|translation` and CR LF, the translation is not empty, the
word holds no space, no "A" to "Z", no punctuation the book reader removes,
no CR or line feed, and the words come in strictly ascending byte order.
Exits 1 and says why at the first fault.
"""
import sys

FORBIDDEN_IN_WORDS = set(b' ():;.",?!/\r\n') | set(range(ord("A"), ord("Z") + 1))


def main():
    with open(sys.argv[1], "rb") as source:
        data = source.read()
    if data and not data.endswith(b"\r\n"):
        sys.exit("the output does not end with CR LF")
    previous = None
    for number, line in enumerate(data.split(b"\r\n")[:-1], 1):
        if b"\n" in line or b"\r" in line:
            sys.exit(f"line {number}: a stray CR or line feed")
        word, separator, translation = line.partition(b"|")
        if not separator or not translation:
            sys.exit(f"line {number}: no separator or an empty translation")
        if FORBIDDEN_IN_WORDS.intersection(word):
            sys.exit(f"line {number}: a byte that no word holds")
        if previous is not None and word <= previous:
            sys.exit(f"line {number}: not in strictly ascending order")
        previous = word
    print("well-formed")


if __name__ == "__main__":
    main()
