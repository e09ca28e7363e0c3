#!/usr/bin/env python3
"""A plain Python script for the same job: filter.py BOOK VOCABULARY.

Differences from lexicull: any white space splits words and runs of it never
give an empty word, hyphens at line ends never join, CR and Ctrl-Z are
ordinary bytes (only a final CR LF or LF is stripped), and every vocabulary
line is held in memory, not only those the book needs.
"""
import sys

PUNCTUATION = b'():;.",?!/'


def main():
    with open(sys.argv[1], "rb") as book:
        words = set(book.read().lower().translate(None, PUNCTUATION).split())
    translations = {}
    with open(sys.argv[2], "rb") as vocabulary:
        for line in vocabulary:
            key, separator, translation = line.rstrip(b"\r\n").lower().partition(b"|")
            translations[key] = translation if separator else key
    out = sys.stdout.buffer
    for word in sorted(words):
        translation = translations.get(word)
        if translation:
            out.write(word + b"|" + translation + b"\r\n")


if __name__ == "__main__":
    main()
