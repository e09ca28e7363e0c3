#!/usr/bin/env python3
"""Makes the dictd dictionaries of the tests, the same bytes on every run,
and the lines that lexicull must write for a book with each, by the rules
written out again here.

    make_dictd.py OUT_DIR

Writes to OUT_DIR:
  test.index, test.dict.dz   a dictionary in dictzip chunks of 64 bytes, with
                             numbered senses, indented examples and notes,
                             cross-references, lemma forms, repeated and
                             non-ASCII headwords, an empty headword, the
                             dictionary's own 00-database rows and CR
  plain.index, plain.dict    the same, not compressed
  stream.index, stream.dict.dz  the same, gzip without a chunk table
  book.txt                   a book of its words, and some it lacks
  expected.txt               the lines lexicull writes for book.txt with it
  many.index, many.dict.dz, many-book.txt, many-expected.txt
                             thousands of entries in thousands of chunks, all
                             in the book: enough for every step to be shared
                             out to threads
  bad-line, past-end, short, bad-chunk (.index, .dict.dz)
                             damaged copies: an index line of another form,
                             an entry past the data's end, data cut short of
                             its chunk table, a chunk that does not inflate
"""
import base64
import gzip
import os
import struct
import sys
import unicodedata
import zlib

ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"

# (headwords, entry): the first headword is the entry's own.
ENTRIES = [
    (["00-database-info"], "00-database-info\nThis is a test dictionary.\n"),
    (["go", "went", "gone"],
     "go /ɡˈəʊ/ (went /wˈɛnt/ <>, gone /ɡˈɒn/ <>) <v>\n1. gehen <v, intr>\n"
     "      He went home.\n2. fahren <v>\n   Synonym: {travel}\n see: {going}\n"),
    (["go"], "go <n>\nVersuch <masc>\n   Note: informal\n"),
    (["house"], "house /hˈaʊs/ <n>\r\nHaus <neut>\r\n Gebäude <neut>\r\n"),
    (["house"], "house <v>\nunterbringen <v>\nHaus <neut>\n"),
    (["its"], "its <pron>\nsein, ihr\n"),
    (["dont"], "don't <v>\n    {n}\n   tu nicht\n"),
    (["ägypten"], "Ägypten /ɛˈɡʏptn̩/ <prop>\nEgypt\n\n   Antonym: none\n"),
    (["xray"], "X-ray <n>\n[Am.] Röntgenstrahl <masc>\n10. letzter Sinn\n"),
    ([""], "\nnothing\n"),
    (["sword"], "sword <n>\nSchwert <neut>\n"),
    (["swordfish"], "swordfish <n>\nSchwertfisch <masc>\n"),
    (["a lot"], "a lot\nviel\n"),
]
BOOK = "He went home with a Sword. It's its house; don't go to Ägypten by X-ray.\nThe swordfish wait.\n"


def many_entries():
    """Generated entries, some words with two, some sharing senses."""
    entries = []
    for i in range(6000):
        word = "w" + "".join(chr(ord("a") + int(d)) for d in f"{i:05d}")
        entries.append(([word], f"{word} <n>\n1. Sinn {i}\n      an example\n2. Wort {i % 7}\n"))
        if i % 10 == 0:
            entries.append(([word], f"{word.upper()} <v>\nWort {i % 7}\n   Note: x\nzweit {i}\n"))
    return entries


def number(value):
    digits = ""
    while True:
        digits = ALPHABET[value % 64] + digits
        value //= 64
        if value == 0:
            return digits


def decode_number(digits):
    value = 0
    for digit in digits:
        value = value * 64 + ALPHABET.index(digit)
    return value


def layout(entries=ENTRIES):
    """The data, and the index rows (headword, offset, length)."""
    data, rows = b"", []
    for headwords, text in entries:
        entry = text.encode()
        for headword in headwords:
            rows.append((headword, len(data), len(entry)))
        data += entry
    return data, rows


def write_index(path, rows, bad_line=False, past_end=0):
    with open(path, "w", encoding="utf-8") as index:
        for i, (headword, offset, length) in enumerate(rows):
            if bad_line and i == 3:
                index.write(f"{headword}\t{number(offset)}\n")
                continue
            index.write(f"{headword}\t{number(offset)}\t{number(length + (past_end if i == 3 else 0))}\n")


def dictzip(data, chunk_length):
    """A gzip member whose RA field lists chunks that each inflate alone."""
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    chunks = []
    for at in range(0, len(data), chunk_length):
        last = at + chunk_length >= len(data)
        piece = compressor.compress(data[at:at + chunk_length])
        piece += compressor.flush(zlib.Z_FINISH if last else zlib.Z_FULL_FLUSH)
        chunks.append(piece)
    table = struct.pack("<HHH", 1, chunk_length, len(chunks)) + b"".join(
        struct.pack("<H", len(chunk)) for chunk in chunks)
    extra = b"RA" + struct.pack("<H", len(table)) + table
    header = b"\x1f\x8b\x08\x04" + bytes(4) + b"\x02\x03" + struct.pack("<H", len(extra)) + extra
    trailer = struct.pack("<II", zlib.crc32(data), len(data) & 0xFFFFFFFF)
    return header + b"".join(chunks) + trailer, [len(chunk) for chunk in chunks], len(header)


def normal_form(word):
    return "".join(c for c in word.lower()
                   if c == " " or unicodedata.category(c)[0] in "LN")


def book_words(text):
    """The book's words as the book rules give them: chunks between spaces
    and line ends, ASCII lower-cased, without ( ) : ; . " , ? ! /"""
    words = set()
    for chunk in text.replace("\n", " ").split(" "):
        word = "".join(c.lower() if "A" <= c <= "Z" else c for c in chunk
                       if c not in '():;.",?!/')
        words.add(word)
    return words


def names(first_line, word):
    line, at = first_line.lower(), first_line.lower().find(word)
    while at >= 0:
        before = line[at - 1] if at > 0 else " "
        after = line[at + len(word)] if at + len(word) < len(line) else " "
        if not (before.isalnum() or after.isalnum()):
            return True
        at = line.find(word, at + 1)
    return False


def senses_of(entry):
    senses = []
    for line in entry.replace("\r", "").split("\n")[1:]:
        indent = len(line) - len(line.lstrip(" \t"))
        sense = line.strip(" \t")
        if not sense or indent > 3 or sense.split(" ")[0] in (
                "see:", "Synonym:", "Synonyms:", "Antonym:", "Antonyms:", "Note:"):
            continue
        head, dot, rest = sense.partition(". ")
        if dot and head.isdigit():
            sense = rest.strip(" \t")
        if sense:
            senses.append(sense)
    return senses


def expected_lines(text, rows, data):
    by_normal_form = {}
    for headword, offset, length in rows:
        if headword and not headword.startswith(("00-database", "00database")):
            by_normal_form.setdefault(normal_form(headword), []).append((offset, length))
    lines = []
    for word in book_words(text):
        normal, senses = normal_form(word), []
        for offset, length in by_normal_form.get(normal, []):
            entry = data[offset:offset + length].decode()
            if names(entry.split("\n")[0], word.lower()):
                senses += [s for s in senses_of(entry) if s not in senses]
        if senses:
            lines.append((word.encode(), (word + "|" + "; ".join(senses)).encode()))
    return b"".join(line + b"\r\n" for _, line in sorted(lines))


def main():
    out = sys.argv[1]
    at = lambda name: os.path.join(out, name)
    data, rows = layout()
    compressed, sizes, header_size = dictzip(data, 64)
    for name, index_options in (("test", {}), ("plain", {}), ("stream", {}), ("bad-line", {"bad_line": True}),
                                ("past-end", {"past_end": len(data)}), ("short", {}), ("bad-chunk", {})):
        write_index(at(name + ".index"), rows, **index_options)
    for name in ("test", "bad-line", "past-end"):
        with open(at(name + ".dict.dz"), "wb") as target:
            target.write(compressed)
    with open(at("plain.dict"), "wb") as target:
        target.write(data)
    with open(at("stream.dict.dz"), "wb") as target:
        target.write(gzip.compress(data, mtime=0))
    with open(at("short.dict.dz"), "wb") as target:
        target.write(compressed[:header_size + sum(sizes[:2])])
    damaged = bytearray(compressed)
    start = header_size + sum(sizes[:1])
    damaged[start:start + sizes[1]] = bytes([0xFF]) * sizes[1]
    with open(at("bad-chunk.dict.dz"), "wb") as target:
        target.write(bytes(damaged))
    with open(at("book.txt"), "w", encoding="utf-8") as target:
        target.write(BOOK)
    with open(at("expected.txt"), "wb") as target:
        target.write(expected_lines(BOOK, rows, data))
    entries = many_entries()
    data, rows = layout(entries)
    write_index(at("many.index"), rows)
    with open(at("many.dict.dz"), "wb") as target:
        target.write(dictzip(data, 64)[0])
    book = " ".join(headwords[0] for headwords, _ in entries) + "\n"
    with open(at("many-book.txt"), "w", encoding="utf-8") as target:
        target.write(book)
    with open(at("many-expected.txt"), "wb") as target:
        target.write(expected_lines(book, rows, data))


if __name__ == "__main__":
    main()
