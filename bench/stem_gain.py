#!/usr/bin/env python3
"""What --stem gains on a book: distinct words and running words translated.

    bench/stem_gain.py DICTIONARY BOOK VOCABULARY [LEXICULL]

DICTIONARY is a hunspell dictionary name (de_DE, en_US). The book's words
are taken as lexicull takes them (split at spaces and line feeds, the bytes
( ) : ; . " , ? ! / removed, A to Z lower-cased). For each rule of asking
the dictionary (the word as it is; lexicull's, capitalised only when not
known as it is; both forms; also in capitals), hunspell's own `hunspell -s`
gives the stems, and a word counts as translated when it or one of its stems
has a translation. With
LEXICULL (a built program), the figures of its own output are added: the
lines written without and with --stem, and the time of both runs.
Needs the hunspell package and the dictionary's hunspell-* package.
"""
import subprocess
import sys
import time
from collections import Counter

PUNCTUATION = b'():;.",?!/'


def lower(word):
    return bytes(b + 32 if 65 <= b <= 90 else b for b in word)


def book_words(path):
    data = open(path, "rb").read().split(b"\x1a")[0].replace(b"\r", b"")
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    counts = Counter()
    for line in data.split(b"\n"):
        for chunk in line.split(b" "):
            word = lower(bytes(b for b in chunk if b not in PUNCTUATION))
            if word:
                counts[word] += 1
    return counts


def vocabulary(path):
    translations = {}
    for line in open(path, "rb").read().replace(b"\r", b"").split(b"\n"):
        key, _, translation = lower(line).partition(b"|")
        translations[key] = translation if _ else key
    return {key for key, value in translations.items() if value}


def capitalised(word):
    text = word.decode("utf-8")
    return text[:1].upper() + text[1:]


def stems(dictionary, forms):
    """hunspell -s: only the lines whose first field is a form asked count."""
    asked = set(forms)
    result = {}
    out = subprocess.run(["hunspell", "-i", "utf-8", "-s", "-d", dictionary],
                         input="\n".join(forms).encode(), capture_output=True, check=True).stdout
    for line in out.decode("utf-8", "replace").split("\n"):
        fields = line.split()
        if len(fields) == 2 and fields[0] in asked:
            result.setdefault(fields[0], set()).add(fields[1])
    return result


def main():
    dictionary, book_path, vocabulary_path = sys.argv[1:4]
    counts = book_words(book_path)
    keys = vocabulary(vocabulary_path)
    words = []
    for word in counts:
        try:
            words.append(word.decode("utf-8"))
        except UnicodeDecodeError:
            pass
    rules = {
        "as it is": lambda w: [w],
        # lexicull's rule: capitalised only when not known as it is.
        "lexicull's": lambda w: [w] if found.get(w) else [w, capitalised(w.encode())],
        "+ capitalised": lambda w: [w, capitalised(w.encode())],
        "+ in capitals": lambda w: [w, capitalised(w.encode()), w.upper()],
    }
    all_forms = sorted({form for w in words for form in (w, capitalised(w.encode()), w.upper())})
    found = stems(dictionary, all_forms)
    running = sum(counts.values())
    direct = {w for w in counts if w in keys}
    print(f"{len(counts)} distinct words, {running} running words")
    print(f"{'rule':<16} {'distinct translated':>20} {'running covered':>16}")
    print(f"{'no stems':<16} {len(direct):>20} {sum(counts[w] for w in direct) / running:>15.1%}")
    for name, rule in rules.items():
        covered = set(direct)
        for w in words:
            for form in rule(w):
                if any(lower(s.encode()) in keys for s in found.get(form, ())):
                    covered.add(w.encode())
        print(f"{name:<16} {len(covered):>20} {sum(counts[w] for w in covered) / running:>15.1%}")
    if len(sys.argv) > 4:
        for options in ([], ["--stem=" + dictionary]):
            started = time.monotonic()
            out = subprocess.run([sys.argv[4], *options, book_path, vocabulary_path],
                                 capture_output=True, check=True).stdout
            seconds = time.monotonic() - started
            lines = out.count(b"\n")
            print(f"lexicull {' '.join(options) or '(no stems)'}: {lines} lines, {seconds:.2f} s")


main()
