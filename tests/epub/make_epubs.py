#!/usr/bin/env python3
"""Makes the EPUB books of the tests from plain text, the same bytes on every
run: a good book, the same text in ways an EPUB may hold it, and damaged
ones.

    make_epubs.py TEXT_FILE OUT_DIR [DOCUMENTS]

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
"""
import html
import os
import sys
import zipfile

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


if __name__ == "__main__":
    main()
