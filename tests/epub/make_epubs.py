#!/usr/bin/env python3
"""Makes the EPUB books of the tests from plain text, the same bytes on every
run: a good book, the same text in ways an EPUB may hold it, and damaged
ones.

    make_epubs.py TEXT_FILE OUT_DIR [DOCUMENTS]
    make_epubs.py --limits TEXT_FILE OUT_DIR     (the limits suite's books)

Writes to OUT_DIR:
  book.epub           TEXT_FILE, one <p> per line, over DOCUMENTS documents
                      (default 3)
  shared.epub         TEXT_FILE over and over, 4.4 MiB in 32 documents, each
                      ending in "half-" and the later ones beginning with
                      "way": large enough to be read on three threads; the
                      first, of 1.3 MiB, too large to be inflated whole
  book-html.epub      the same, in EPUB 3 dress: text/html items, a spine
                      that names a document twice and one that is no
                      document, hrefs with %-escapes, ../ and #fragments
  plain.zip           a ZIP of TEXT_FILE without META-INF/container.xml
  truncated.epub      book.epub cut in half
  corrupt.epub        book.epub with bytes of a document's data changed
  corrupt-large.epub  the same done to a document too large to be inflated
                      whole
  bad-checksum.epub   a stored document with a byte of its text changed
  wrong-size.epub     a document whose size in the directory is one more
                      than it inflates to
  no-container.epub   no META-INF/container.xml
  no-package.epub     a container naming a package document that is absent
  no-document.epub    a spine document that is absent
  encrypted.epub      META-INF/encryption.xml covering a spine document
  malformed.epub      a document whose tags do not nest
  huge.epub           a document that inflates to 80 MiB
  wide.epub           8 documents of one 40 MiB line each, to be read on 8
                      threads
  markup.epub         a document with a comment of 20 MiB

and the hostile and careless books of make_hostile_epubs() below.
"""
import html
import os
import struct
import sys
import zipfile
import zlib

CONTAINER = ('<?xml version="1.0"?>\n<container version="1.0" '
             'xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles>'
             '<rootfile full-path="{}" media-type="application/oebps-package+xml"/>'
             '</rootfiles></container>\n')
XHTML = ('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE html PUBLIC '
         '"-//W3C//DTD XHTML 1.1//EN" "http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd">\n'
         '<html xmlns="http://www.w3.org/1999/xhtml"><head><title>Book</title></head>\n'
         '<body>\n{}</body></html>\n')


def write_epub(path, documents, package="OEBPS/content.opf", items=None, spine=None,
               extra=(), skip=(), stored=()):
    """documents: (name in OEBPS/, XHTML); items and spine default to them all."""
    if items is None:
        items = [(f"d{i}", name, "application/xhtml+xml") for i, (name, _) in enumerate(documents)]
    if spine is None:
        spine = [item_id for item_id, _, _ in items]
    manifest = "".join(f'<item id="{i}" href="{h}" media-type="{m}"/>' for i, h, m in items)
    refs = "".join(f'<itemref idref="{i}"/>' for i in spine)
    opf = ('<?xml version="1.0"?>\n<package xmlns="http://www.idpf.org/2007/opf" version="2.0">'
           f"<manifest>{manifest}</manifest><spine>{refs}</spine></package>\n")
    entries = [("mimetype", "application/epub+zip", zipfile.ZIP_STORED),
               ("META-INF/container.xml", CONTAINER.format(package), zipfile.ZIP_DEFLATED),
               ("OEBPS/content.opf", opf, zipfile.ZIP_DEFLATED)]
    entries += [("OEBPS/" + name, text,
                 zipfile.ZIP_STORED if "OEBPS/" + name in stored else zipfile.ZIP_DEFLATED)
                for name, text in documents]
    entries += [(name, text, zipfile.ZIP_DEFLATED) for name, text in extra]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data, method in entries:
            if name in skip:
                continue
            info = zipfile.ZipInfo(name, date_time=(2026, 12, 1, 0, 0, 0))
            info.compress_type = method
            archive.writestr(info, data)


def damaged(source, target, change):
    """Writes to `target` the bytes of `source` as `change` leaves them."""
    with open(source, "rb") as original:
        archive = bytearray(original.read())
    change(archive)
    with open(target, "wb") as copy:
        copy.write(bytes(archive))


def paragraphs(lines):
    return "".join(f"<p>{html.escape(line, quote=False)}</p>\n" for line in lines)


def book_documents(lines, count):
    """The lines as `count` documents of about the same size, one <p> a line."""
    share = (len(lines) + count - 1) // count
    parts = [lines[i:i + share] for i in range(0, len(lines), share)]
    return [(f"part{i}.xhtml", XHTML.format(paragraphs(part))) for i, part in enumerate(parts)]


def main():
    if sys.argv[1] == "--limits":
        with open(sys.argv[2], encoding="utf-8") as source:
            make_limit_epubs(source.read().split("\n"),
                             lambda name: os.path.join(sys.argv[3], name))
        return
    text_file, out = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    os.makedirs(out, exist_ok=True)
    with open(text_file, encoding="utf-8") as source:
        lines = source.read().split("\n")
    documents = book_documents(lines, count)
    at = lambda name: os.path.join(out, name)
    write_epub(at("book.epub"), documents)
    copies = lambda size: paragraphs(lines * (size // len(paragraphs(lines)) + 1))
    shared = [(f"shared{i}.xhtml",
               XHTML.format(("<p>way</p>\n" if i > 0 else "") +
                            copies(1300 * 1024 if i == 0 else 100 * 1024) + "<p>half-</p>\n"))
              for i in range(32)]
    write_epub(at("shared.epub"), shared)
    # Documents large enough to be read on several threads, each with a
    # sentence of its own.
    filler = copies(150 * 1024)
    write_epub(at("chapters.epub"),
               [(f"chapter{i}.xhtml",
                 XHTML.format(f"<p>Chapter {i} begins. Here stands zeta{i} alone.</p>\n" + filler))
                for i in range(24)])

    # The same text as EPUB 3 books and careless ones hold it.
    odd = [("Text/part 0.xhtml", documents[0][1])] + [
        (f"Text/part{i}.xhtml", text) for i, (_, text) in enumerate(documents) if i > 0]
    items = [("a", "Text/part%200.xhtml#start", "text/html")]
    items += [(f"d{i}", f"Text/../Text/part{i}.xhtml", "application/xhtml+xml")
              for i in range(1, len(documents))]
    items += [("style", "style.css", "text/css")]
    spine = ["a", "style"] + [f"d{i}" for i in range(1, len(documents))] + ["a"]
    write_epub(at("book-html.epub"), odd, items=items, spine=spine,
               extra=[("OEBPS/style.css", "p { margin: 0 }")])

    with zipfile.ZipFile(at("plain.zip"), "w") as archive:
        info = zipfile.ZipInfo("book.txt", date_time=(2026, 12, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(info, "\n".join(lines))

    with open(at("book.epub"), "rb") as source:
        good = source.read()
    with open(at("truncated.epub"), "wb") as target:
        target.write(good[:len(good) // 2])

    def corrupt_part1(archive):
        start = archive.index(b"part1.xhtml") + len("part1.xhtml") + 20
        archive[start:start + 16] = bytes(16)
    damaged(at("book.epub"), at("corrupt.epub"), corrupt_part1)

    def corrupt_shared0(archive):
        start = archive.index(b"shared0.xhtml") + len("shared0.xhtml") + 2000
        archive[start:start + 16] = bytes(16)
    write_epub(at("corrupt-large.epub"), shared[:1])
    damaged(at("corrupt-large.epub"), at("corrupt-large.epub"), corrupt_shared0)

    def change_a_letter(archive):
        archive[archive.index(b"<body>", archive.index(b"part1.xhtml")) + 1] ^= 0x20
    write_epub(at("bad-checksum.epub"), documents, stored={"OEBPS/part1.xhtml"})
    damaged(at("bad-checksum.epub"), at("bad-checksum.epub"), change_a_letter)

    # The directory's uncompressed size of part1.xhtml: 24 bytes into its
    # central header, which begins PK\1\2.
    def claim_one_more(archive):
        header = archive.rindex(b"PK\x01\x02", 0, archive.rindex(b"OEBPS/part1.xhtml"))
        size = int.from_bytes(archive[header + 24:header + 28], "little")
        archive[header + 24:header + 28] = (size + 1).to_bytes(4, "little")
    damaged(at("book.epub"), at("wrong-size.epub"), claim_one_more)

    write_epub(at("no-container.epub"), documents, skip={"META-INF/container.xml"})
    write_epub(at("no-package.epub"), documents, package="OEBPS/missing.opf")
    write_epub(at("no-document.epub"), documents,
               items=[("d0", "part0.xhtml", "application/xhtml+xml"),
                      ("gone", "gone.xhtml", "application/xhtml+xml")])
    encryption = ('<?xml version="1.0"?>\n<encryption '
                  'xmlns="urn:oasis:names:tc:opendocument:xmlns:container" '
                  'xmlns:enc="http://www.w3.org/2001/04/xmlenc#"><enc:EncryptedData>'
                  '<enc:CipherData><enc:CipherReference URI="OEBPS/part1.xhtml"/></enc:CipherData>'
                  '</enc:EncryptedData></encryption>\n')
    write_epub(at("encrypted.epub"), documents, extra=[("META-INF/encryption.xml", encryption)])
    write_epub(at("malformed.epub"), documents + [("bad.xhtml", XHTML.format("<p>open<b></p>"))])
    write_epub(at("huge.epub"), [("huge.xhtml", XHTML.format("<p>" + " " * (80 << 20) + "</p>"))])
    write_epub(at("wide.epub"), [(f"wide{i}.xhtml", XHTML.format("<p>" + "a " * (20 << 20) + "</p>"))
                                 for i in range(8)])
    write_epub(at("markup.epub"), [("markup.xhtml", XHTML.format("<!--" + "a" * (20 << 20) + "-->"))])
    make_hostile_epubs(lines, at)


def deflated(data):
    """The raw deflate stream of `data`."""
    compressor = zlib.compressobj(6, zlib.DEFLATED, -15)
    return compressor.compress(data) + compressor.flush()


def write_raw_zip(path, entries, zip64=False, comment=b"", aliases=()):
    """Writes a ZIP of `entries`, each (name, method, stored bytes, crc, size),
    where stored bytes may be an int: that many zero bytes, left as a hole in
    the file. With `zip64`, every size and offset stands in ZIP64 fields, in
    the local headers, the directory and a ZIP64 end record. Each alias,
    (name, index), is one more directory entry for the local header of entry
    `index`."""
    records = []
    with open(path, "wb") as archive:
        for name, method, stored, crc, size in entries:
            stored_size = stored if isinstance(stored, int) else len(stored)
            offset = archive.tell()
            sizes = (0xFFFFFFFF, 0xFFFFFFFF) if zip64 else (stored_size, size)
            local_extra = struct.pack("<HHQQ", 1, 16, size, stored_size) if zip64 else b""
            archive.write(struct.pack("<IHHHHHIIIHH", 0x04034B50, 45, 0, method, 0, 0x5B81, crc,
                                      sizes[0], sizes[1], len(name.encode()), len(local_extra)))
            archive.write(name.encode() + local_extra)
            if isinstance(stored, int):
                archive.seek(stored, os.SEEK_CUR)
                archive.truncate()
            else:
                archive.write(stored)
            records.append((name, method, crc, stored_size, size, offset))
        records += [(name,) + records[index][1:] for name, index in aliases]
        directory = b""
        for name, method, crc, stored_size, size, offset in records:
            sizes = (0xFFFFFFFF, 0xFFFFFFFF) if zip64 else (stored_size, size)
            extra = struct.pack("<HHQQQ", 1, 24, size, stored_size, offset) if zip64 else b""
            directory += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 45, 0, method, 0,
                                     0x5B81, crc, sizes[0], sizes[1], len(name.encode()),
                                     len(extra), 0, 0, 0, 0, 0xFFFFFFFF if zip64 else offset)
            directory += name.encode() + extra
        start = archive.tell()
        archive.write(directory)
        count = len(records)
        if zip64:
            end64 = archive.tell()
            archive.write(struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, count, count,
                                      len(directory), start))
            archive.write(struct.pack("<IIQI", 0x07064B50, 0, end64, 1))
            count, size, start = 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF
        else:
            size = len(directory)
        archive.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, size, start,
                                  len(comment)))
        archive.write(comment)


def book_entries(documents, media_type="application/xhtml+xml", opf=None):
    """The entries of an EPUB of `documents`, (name in OEBPS/, bytes), for
    write_raw_zip: deflated, but for the mimetype."""
    manifest = "".join(f'<item id="d{i}" href="{name}" media-type="{media_type}"/>'
                       for i, (name, _) in enumerate(documents))
    refs = "".join(f'<itemref idref="d{i}"/>' for i in range(len(documents)))
    if opf is None:
        opf = ('<?xml version="1.0"?>\n<package xmlns="http://www.idpf.org/2007/opf" '
               f'version="2.0"><manifest>{manifest}</manifest><spine>{refs}</spine></package>\n')
    files = [("META-INF/container.xml", CONTAINER.format("OEBPS/content.opf").encode()),
             ("OEBPS/content.opf", opf.encode())]
    files += [("OEBPS/" + name, data) for name, data in documents]
    mimetype = b"application/epub+zip"
    return [("mimetype", 0, mimetype, zlib.crc32(mimetype), len(mimetype))] + [
        (name, 8, deflated(data), zlib.crc32(data), len(data)) for name, data in files]


def make_hostile_epubs(lines, at):
    """Archives made to cost memory or time, or to be refused where they
    should be read, and books that a careful reader reads all the same."""
    documents = [(name, text.encode()) for name, text in book_documents(lines, 3)]
    head, tail = (part.encode() for part in XHTML.split("{}"))

    # Documents of one distinct 60 MiB word each, 300 MiB of text from a
    # file of 300 KB: each stream is the same long run, then its own end.
    run = head + b"<p>" + b"a" * (60 << 20)
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    common = compressor.compress(run)
    words = []
    for i in range(5):
        end = f"{i}</p>".encode() + tail
        finish = compressor.copy()
        words.append((f"OEBPS/word{i}.xhtml", 8, common + finish.compress(end) + finish.flush(),
                      zlib.crc32(end, zlib.crc32(run)), len(run) + len(end)))
    entries = book_entries([(f"word{i}.xhtml", b"") for i in range(5)])
    write_raw_zip(at("many-words.epub"), entries[:3] + words)

    # An entity of entities that expands to 320 MiB, as one word or as words.
    # Comments pad the document (they compress to nearly nothing), so that
    # the parser's own limit on amplification (100 times what it reads) lets
    # it through.
    def expanding(unit):
        levels = f'<!ENTITY e0 "{unit * 80}">' + "".join(
            f'<!ENTITY e{k} "' + f"&e{k - 1};" * 32 + '">' for k in range(1, 5))
        return (f'<?xml version="1.0"?>\n<!DOCTYPE html [{levels}]>\n'
                '<html xmlns="http://www.w3.org/1999/xhtml"><body>'
                f'<!--{"x" * (4 << 20)}--><p>&e4;</p></body></html>').encode()
    for name, unit in (("entity-word.epub", "abcd"), ("entity-text.epub", "a wd")):
        write_raw_zip(at(name), book_entries([("entity.xhtml", expanding(unit))]))

    # An attribute of the package document that an entity blows up.
    levels = f'<!ENTITY p0 "{"x" * 1024}">' + "".join(
        f'<!ENTITY p{k} "' + f"&p{k - 1};" * 16 + '">' for k in range(1, 5))
    opf = (f'<?xml version="1.0"?>\n<!DOCTYPE package [{levels}]>\n<!--{"y" * (1 << 20)}-->'
           '<package xmlns="http://www.idpf.org/2007/opf" version="2.0"><manifest>'
           '<item id="d0" href="part0.xhtml" media-type="application/xhtml+xml" title="&p4;"/>'
           '</manifest><spine><itemref idref="d0"/></spine></package>\n')
    write_raw_zip(at("package-entity.epub"), book_entries(documents[:1], opf=opf))

    # A thousand directory entries, all in the spine, all for the local
    # header of one document that inflates to 60 MiB.
    big = head + b"<p>" + b"b " * (30 << 20) + b"</p>" + tail
    entries = book_entries([(f"s{i:03d}.xhtml", b"") for i in range(1000)])
    write_raw_zip(at("overlap.epub"), entries[:3] + [
        ("OEBPS/s000.xhtml", 8, deflated(big), zlib.crc32(big), len(big))],
        aliases=[(f"OEBPS/s{i:03d}.xhtml", 3) for i in range(1, 1000)])

    # Every size and offset in ZIP64 fields, as writers do past 4 GiB; and a
    # comment of 65,535 bytes after the directory.
    write_raw_zip(at("zip64.epub"), book_entries(documents), zip64=True)
    write_raw_zip(at("comment.epub"), book_entries(documents), comment=b"c" * 0xFFFF)
    # Media types in capitals, or with parameters.
    write_raw_zip(at("media-case.epub"),
                  book_entries(documents, media_type="Application/XHTML+XML"))
    write_raw_zip(at("media-parameters.epub"),
                  book_entries(documents, media_type="application/xhtml+xml; charset=utf-8"))
    # An encryption list that is empty, and so no XML at all.
    write_raw_zip(at("empty-encryption.epub"), book_entries(documents) + [
        ("META-INF/encryption.xml", 0, b"", 0, 0)])
    # Declared encodings: Latin-1 and windows-1252 are read, one not known is
    # refused with its name.
    def declared(encoding, codec, extra=""):
        return (XHTML.replace('encoding="utf-8"', f'encoding="{encoding}"')
                .format(paragraphs(lines) + extra).encode(codec, "replace"))
    write_raw_zip(at("latin1.epub"), book_entries([
        ("text.xhtml", declared("ISO-8859-1", "latin-1", "<p>caf\u00e9</p>"))]))
    # Curly quotes, and a byte that windows-1252 leaves unassigned (0x81).
    cp1252 = declared("windows-1252", "cp1252", "<p>caf\u00e9 \u201cquoted\u201d x@y</p>")
    write_raw_zip(at("cp1252.epub"), book_entries([("text.xhtml", cp1252.replace(b"@", b"\x81"))]))
    write_raw_zip(at("unknown-encoding.epub"), book_entries([("text.xhtml", declared("EUC-JP", "utf-8"))]))

    # Streamed documents (over 1 MiB): one with a wrong CRC, one stored with a
    # byte changed and a size claimed larger than it is.
    long = head + paragraphs(lines * ((2 << 20) // len(paragraphs(lines)) + 1)).encode() + tail
    entries = book_entries([("long.xhtml", long)])
    name, method, stored, crc, size = entries[-1]
    write_raw_zip(at("streamed-crc.epub"), entries[:-1] + [(name, method, stored, crc ^ 1, size + 1000)])
    changed = bytearray(long)
    changed[len(changed) // 2] ^= 0x20
    write_raw_zip(at("stored-claim.epub"), entries[:-1] + [
        (name, 0, bytes(changed), crc, size + 1000)])


def make_limit_epubs(lines, at):
    """The books of the limits suite: one word of 240 MiB, just within the
    text budget, and documents that stand past 4 GiB, behind a stored
    picture of zero bytes that is left as a hole in the file."""
    levels = '<!ENTITY e0 "' + "abcd" * 60 + '">' + "".join(
        f'<!ENTITY e{k} "' + f"&e{k - 1};" * 32 + '">' for k in range(1, 5))
    word = (f'<?xml version="1.0"?>\n<!DOCTYPE html [{levels}]>\n'
            '<html xmlns="http://www.w3.org/1999/xhtml"><body>'
            f'<!--{"x" * (4 << 20)}--><p>&e4; cat</p></body></html>').encode()
    write_raw_zip(at("huge-word.epub"), book_entries([("word.xhtml", word)]))

    documents = [(name, text.encode()) for name, text in book_documents(lines, 3)]
    entries = book_entries(documents)
    hole = (4 << 30) + (64 << 20)
    zeros = bytes(64 << 20)
    crc = 0
    for _ in range(hole // len(zeros)):
        crc = zlib.crc32(zeros, crc)
    write_raw_zip(at("past-4-gib.epub"),
                  entries[:1] + [("OEBPS/cover.bin", 0, hole, crc, hole)] + entries[1:], zip64=True)

if __name__ == "__main__":
    main()
