#!/usr/bin/env python3
"""Builds the benchmark corpus from public text in Debian's packages.

    bench/make_corpus.py [CORPUS_DIR]     (default: /tmp/lexicull-corpus)

Needs the packages bible-kjv (the `bible` reader), bible-kjv-text,
trans-de-en, fortunes and fortunes-de. Writes, the same bytes on every run:
  book.txt          the King James Bible, one verse per line, no references
  book-x20.txt      the book 20 times
  en-de.txt         English key | German translation
  en-de-x10.txt     en-de.txt 10 times
  de-en.txt         German key | English translation
  many-words.txt    prose of about 45,000 distinct words: 20,000 keys of
                    de-en.txt and 25,000 of en-de.txt that de-en.txt lacks,
                    each used several times, in a fixed random order
  known-2000.txt    a learner's known words: the 2,000 most frequent words
                    of Debian's English fortunes (ties by their bytes)
  fortunes-de.txt   Debian's German fortunes, a German book of 3 MB
  book.epub         book.txt as an EPUB of 66 documents, one <p> a line
                    (tests/epub/make_epubs.py), which reads as book.txt
"""
import gzip
import hashlib
import os
import shutil
import random
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "epub"))
import make_epubs  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "dictd"))
import make_dictd  # noqa: E402

DICTD = "/usr/share/dictd"

DICTIONARY = "/usr/share/trans/de-en"
FORTUNES = "/usr/share/games/fortunes"
ANNOTATION = re.compile(r"\{[^}]*\}|\[[^\]]*\]|\([^)]*\)|<[^>]*>")


def bible_verses():
    raw = subprocess.run(["bible", "-l100000", "gen1:1-rev22:21"], check=True,
                         capture_output=True).stdout
    verses = []
    for line in raw.split(b"\n"):
        match = re.match(rb"^ *[0-9]+ (.*)$", line)
        if match:
            verses.append(match.group(1))
    return b"\n".join(verses) + b"\n"


def clean(term):
    return " ".join(ANNOTATION.sub("", term).split())


def dictionary_pairs():
    """Yields (german, english) for every aligned alternative and synonym."""
    with open(DICTIONARY, encoding="utf-8") as source:
        for line in source:
            line = line.rstrip("\n")
            if line.startswith("#") or " :: " not in line:
                continue
            german, english = line.split(" :: ", 1)
            for german_part, english_part in zip(german.split(" | "), english.split(" | ")):
                german_terms = [clean(term) for term in german_part.split(";")]
                english_terms = [clean(term) for term in english_part.split(";")]
                german_text = "; ".join(term for term in german_terms if term)
                english_text = "; ".join(term for term in english_terms if term)
                if german_text and english_text:
                    yield german_terms, german_text, english_terms, english_text


def vocabulary(key_side):
    """Lines 'key|translation', one per single-word term on the key side."""
    lines = []
    for german_terms, german_text, english_terms, english_text in dictionary_pairs():
        keys, translation = ((english_terms, german_text) if key_side == "en"
                             else (german_terms, english_text))
        for key in keys:
            if key and " " not in key:
                lines.append(f"{key}|{translation}\n")
    return "".join(lines).encode("utf-8")


def many_words_book(de_en, en_de):
    """A book whose distinct words are many, against de-en.txt: most of its
    words are looked up, and about 20,000 of them are found."""
    def keys(data):
        return sorted({line.split(b"|", 1)[0].lower() for line in data.split(b"\n") if b"|" in line})
    german = keys(de_en)
    german_set = set(german)
    english = [key for key in keys(en_de) if key not in german_set]
    chooser = random.Random(20261207)
    words = chooser.sample(german, 20000) + chooser.sample(english, 25000)
    text = words * 6
    chooser.shuffle(text)
    lines = [b" ".join(text[i:i + 12]) for i in range(0, len(text), 12)]
    return b"\n".join(lines) + b"\n"


def fortunes(folder):
    """The fortune files of a folder (not their .dat indexes nor the .u8
    links), one after another in name order."""
    names = sorted(name for name in os.listdir(folder)
                   if "." not in name and os.path.isfile(os.path.join(folder, name)))
    return b"".join(open(os.path.join(folder, name), "rb").read() for name in names)


def known_words(text, count):
    """The `count` most frequent words of `text` as lexicull takes a book's
    words (split at spaces and line feeds, lower-cased, punctuation dropped),
    those with a letter only, ties by their bytes."""
    counts = {}
    for chunk in text.lower().split():
        word = re.sub(rb'[():;.",?!/]', b"", chunk)
        if re.search(rb"[a-z\x80-\xff]", word):
            counts[word] = counts.get(word, 0) + 1
    ranked = sorted(counts, key=lambda word: (-counts[word], word))
    return b"".join(word + b"\n" for word in ranked[:count])


def write_dictd_pair(corpus, name="freedict-eng-deu"):
    """The dictd dictionary as Debian ships it, and the same converted to
    key|translation lines: each headword with the senses of its entries."""
    index_path = os.path.join(DICTD, name + ".index")
    if not os.path.exists(index_path):
        print(f"{name}: not installed (dict-freedict-eng-deu), no dictd row")
        return
    with gzip.open(os.path.join(DICTD, name + ".dict.dz")) as source:
        data = source.read()
    senses = {}
    with open(index_path, encoding="utf-8") as index:
        for line in index:
            headword, offset, length = line.rstrip("\n").split("\t")[:3]
            if not headword or headword.startswith(("00-database", "00database")):
                continue
            offset, length = make_dictd.decode_number(offset), make_dictd.decode_number(length)
            entry = data[offset:offset + length].decode("utf-8", "replace")
            known = senses.setdefault(headword, [])
            known += [s for s in make_dictd.senses_of(entry) if s not in known]
    with open(os.path.join(corpus, name + ".txt"), "w", encoding="utf-8") as target:
        for headword, list_ in senses.items():
            target.write(headword + "|" + "; ".join(list_) + "\n")
    for suffix in (".index", ".dict.dz"):
        shutil.copy(os.path.join(DICTD, name + suffix), os.path.join(corpus, name + suffix))
    print(f"{name}: {len(senses)} headwords converted to {name}.txt")


def formats_of(book):
    """The book as HTML that is well-formed XML (one <p> a line), as HTML
    that is not (unquoted attributes, <br>), and the first 12,000 words as a
    film's SRT subtitles of 1,500 cues beside the same words as text."""
    text = book.decode("utf-8")
    lines = text.split("\n")
    escape = lambda line: line.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
    xhtml = ('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE html>\n'
             '<html xmlns="http://www.w3.org/1999/xhtml"><head><title>KJV</title></head><body>\n'
             + "".join(f"<p>{escape(line)}</p>\n" for line in lines) + "</body></html>\n")
    soup = ("<!DOCTYPE html>\n<html><head><title>KJV</title><meta charset=utf-8></head><body>\n"
            + "".join(f"<p class=verse>{escape(line)}<br>\n" for line in lines) + "</body></html>\n")
    words = text.split()[:12000]
    cues, plain = [], []
    for cue in range(1500):
        start = cue * 4
        clock = lambda s: f"{s // 3600:02d}:{s // 60 % 60:02d}:{s % 60:02d}"
        said = " ".join(words[cue * 8:cue * 8 + 8])
        cues.append(f"{cue + 1}\r\n{clock(start)},000 --> {clock(start + 3)},500\r\n<i>{said}</i>\r\n")
        plain.append(said + "\n")
    return {"book.xhtml": xhtml.encode(), "book-tagsoup.html": soup.encode(),
            "film.srt": "\r\n".join(cues).encode(), "film.txt": "".join(plain).encode()}


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else "/tmp/lexicull-corpus"
    os.makedirs(corpus, exist_ok=True)
    book = bible_verses()
    en_de = vocabulary("en")
    de_en = vocabulary("de")
    files = {
        "book.txt": book,
        "book-x20.txt": book * 20,
        "en-de.txt": en_de,
        "en-de-x10.txt": en_de * 10,
        "de-en.txt": de_en,
        "many-words.txt": many_words_book(de_en, en_de),
        "known-2000.txt": known_words(fortunes(FORTUNES), 2000),
        "fortunes-de.txt": fortunes(os.path.join(FORTUNES, "de")),
    }
    files.update(formats_of(book))
    for name, data in files.items():
        with open(os.path.join(corpus, name), "wb") as target:
            target.write(data)
        lines = data.count(b"\n")
        print(f"{name:15} {len(data):>11} bytes {lines:>9} lines "
              f"sha256 {hashlib.sha256(data).hexdigest()[:16]}")
    write_dictd_pair(corpus)
    epub = os.path.join(corpus, "book.epub")
    make_epubs.write_epub(epub, make_epubs.book_documents(book.decode("utf-8").split("\n"), 66))
    with open(epub, "rb") as source:
        data = source.read()
    print(f"{'book.epub':15} {len(data):>11} bytes {'':>9}       "
          f"sha256 {hashlib.sha256(data).hexdigest()[:16]}")


if __name__ == "__main__":
    main()
