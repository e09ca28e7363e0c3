#!/usr/bin/env bash
# Runs the program on EPUB books made at test time from examples/book.txt
# (tests/epub/make_epubs.py): each must give the plain text's output, from a
# file or from standard input, and each damaged one status 1 with its reason.
#
#   epub_cases.sh [--windows BITS] [--sanitized] [--emulated] [--failing-read LIB]
#                 PROGRAM [ARGUMENTS...]     (the options of fault_cases.sh)
#
# The peak memory of the book that inflates to 80 MiB is checked only where
# GNU time can measure the program itself (not under Wine, qemu or the
# sanitizers).
set -u
measure_memory=1
while [ $# -gt 0 ]; do
  case $1 in
    --windows) measure_memory=0; shift ;;
    --sanitized | --emulated) measure_memory=0 ;;
    --failing-read) shift ;;  # the fault cases' preload, of no use here
    *) break ;;
  esac
  shift
done
program=("$@")
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$(dirname "$here")")
for i in 0 1; do
  [ $i -lt ${#program[@]} ] && [ -e "${program[$i]}" ] && program[$i]=$(realpath "${program[$i]}")
done
export WINEDEBUG=-all
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
cp "$root/examples/book.txt" "$root/examples/vocabulary.txt" .
python3 "$root/tests/epub/make_epubs.py" book.txt . || { echo "FAIL: the EPUBs could not be made"; exit 1; }

# shellcheck source=tests/e2e/checks.sh
. "$here/checks.sh"
run() {  # run ARGUMENTS...: the program on them, output in stdout and stderr, status in $status
  "${program[@]}" "$@" > stdout 2> stderr
  status=$?
}

"${program[@]}" book.txt vocabulary.txt > expected < /dev/null
"${program[@]}" --top=5 --order=frequency book.txt vocabulary.txt > expected-top < /dev/null
check "the plain text gives lines" [ -s expected ]
for book in book.epub book-html.epub; do
  run "$book" vocabulary.txt < /dev/null
  check "$book: status 0" [ $status = 0 ]
  check "$book: the plain text's output" cmp -s stdout expected
  check "$book: no message" [ ! -s stderr ]
  run --top=5 --order=frequency "$book" vocabulary.txt < /dev/null
  check "$book: the plain text's study list" cmp -s stdout expected-top
done
run - vocabulary.txt < book.epub
check "book.epub from standard input: the plain text's output" cmp -s stdout expected
run - vocabulary.txt < book.txt
check "book.txt from standard input: the plain text's output" cmp -s stdout expected

# A large book is read on several threads, each taking the next document:
# the same bytes on any number of them. A document ends its words, so the
# "half-" that ends each one does not join the "way" that begins the next.
{ cat vocabulary.txt; printf 'half|halb\nhalfway|halbwegs\nway|weg\n'; } > halfway.txt
for threads in 1 2 3 8; do
  LEXICULL_THREADS=$threads run shared.epub halfway.txt < /dev/null
  check "shared.epub on $threads threads: status 0" [ $status = 0 ]
  if [ $threads = 1 ]; then
    cp stdout expected-shared
    check "shared.epub: its words" grep -q '^half|' stdout
    check "shared.epub: a document ends its words" sh -c '! grep -q "^halfway|" stdout'
  else
    check "shared.epub on $threads threads: the same output" cmp -s stdout expected-shared
  fi
done
# Cards number the sentences as they come, so their documents are read in
# the spine's order: the cards of one read once, from standard input.
for i in $(seq 0 23); do printf 'zeta%s|z%s\n' "$i" "$i"; done > zetas.txt
run --format=tsv - zetas.txt < chapters.epub
cp stdout cards-chapters
check "chapters.epub cards: each word's own sentence" \
  grep -q "^zeta17	z17	1	Here stands zeta17 alone.$(printf '\r')\$" stdout
LEXICULL_THREADS=2 run --format=tsv chapters.epub zetas.txt < /dev/null
check "chapters.epub cards on 2 threads: those of one read once" cmp -s stdout cards-chapters

# A ZIP that is no EPUB is read as bytes, as any other file.
cp plain.zip plain.txt
"${program[@]}" plain.txt vocabulary.txt > expected-zip < /dev/null
run plain.zip vocabulary.txt < /dev/null
check "a ZIP without a container: status 0, read as bytes" [ $status = 0 ]
check "a ZIP without a container: the output of its bytes" cmp -s stdout expected-zip
check "a ZIP without a container: no message" [ ! -s stderr ]

# Archives that readers write, or that the format allows: read as the plain
# text is.
for book in zip64.epub comment.epub media-case.epub media-parameters.epub; do
  run "$book" vocabulary.txt < /dev/null
  check "$book: status 0, the plain text's output" [ $status = 0 ]
  check "$book: the plain text's output" cmp -s stdout expected
  check "$book: no message" [ ! -s stderr ]
done
run empty-encryption.epub vocabulary.txt < /dev/null
check "an empty encryption list: status 0" [ $status = 0 ]
check "an empty encryption list: the plain text's output" cmp -s stdout expected
check "an empty encryption list: a warning" grep -q \
  '^lexicull: empty-encryption.epub: META-INF/encryption.xml cannot be read (no element found at line 1); the book is read as if it listed nothing' stderr

# Declared encodings other than UTF-8: each byte as its code page has it, an
# unassigned one as U+FFFD.
{ cat vocabulary.txt; printf 'caf\303\251|Kaffee\nquoted|zitiert\nx\357\277\275y|ersetzt\n'; } > encodings.txt
for book in latin1.epub cp1252.epub; do
  run "$book" encodings.txt < /dev/null
  check "$book: status 0" [ $status = 0 ]
  check "$book: its Latin-1 letter" grep -q $'^caf\303\251|kaffee\r$' stdout
done
check "cp1252.epub: curly quotes as ASCII" grep -q $'^quoted|zitiert\r$' stdout
check "cp1252.epub: an unassigned byte as U+FFFD" grep -q $'^x\357\277\275y|ersetzt\r$' stdout

# A document that is no well-formed XML is read as HTML, with one warning
# for the book that names the first such document; an encoding that the XML
# parser does not know is decoded as UTF-8.
printf 'open|offen\n' >> encodings.txt
run malformed.epub encodings.txt < /dev/null
check "malformed.epub: status 0" [ $status = 0 ]
check "malformed.epub: the plain text's lines" sh -c 'grep -vx "open|offen.*" stdout | cmp -s - expected'
check "malformed.epub: the malformed document's words" grep -q $'^open|offen\r$' stdout
check "malformed.epub: one warning" [ "$(wc -l < stderr)" = 1 ]
check "malformed.epub: the warning names the document and why" grep -qx \
  'lexicull: malformed.epub: OEBPS/bad.xhtml is not well-formed XML (line [0-9]*: mismatched tag); read as HTML.\?' stderr
run unknown-encoding.epub vocabulary.txt < /dev/null
check "unknown-encoding.epub: status 0, the plain text's output" cmp -s stdout expected
check "unknown-encoding.epub: the warning names the encoding" grep -q \
  '^lexicull: unknown-encoding.epub: OEBPS/text.xhtml is not well-formed XML (line 1: unknown encoding "EUC-JP"); read as HTML' stderr

# Books read whole also from standard input; a FictionBook in a ZIP of its
# own; a ZIP of two is no book but bytes.
cases=$here/cases
run - "$cases/formats_html_page/vocabulary.txt" < "$cases/formats_html_page/book.html"
check "an HTML page on standard input: its lines" cmp -s stdout "$cases/formats_html_page/stdout"
run - "$cases/formats_subtitles_srt/vocabulary.txt" < "$cases/formats_subtitles_srt/book.srt"
check "subtitles on standard input: their lines" cmp -s stdout "$cases/formats_subtitles_srt/stdout"
fiction=$cases/formats_fiction_book_in_windows_1251
python3 -c 'import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z: z.write(sys.argv[2], "book.fb2")
with zipfile.ZipFile(sys.argv[3], "w", zipfile.ZIP_DEFLATED) as z:
    z.write(sys.argv[2], "a.fb2"); z.write(sys.argv[2], "b.fb2")' book.fb2.zip "$fiction/book.fb2" two.fb2.zip
for book in book.fb2.zip -; do
  run "$book" "$fiction/vocabulary.txt" < book.fb2.zip
  check "a zipped FictionBook ($book): status 0" [ $status = 0 ]
  check "a zipped FictionBook ($book): its lines" cmp -s stdout "$fiction/stdout"
done
run two.fb2.zip "$fiction/vocabulary.txt" < /dev/null
check "a ZIP of two FictionBooks: read as bytes" [ $status = 0 ] && [ ! -s stderr ]
run --book-format=fb2 two.fb2.zip "$fiction/vocabulary.txt" < /dev/null
check "a ZIP of two FictionBooks as fb2: status 1" [ $status = 1 ]
check "a ZIP of two FictionBooks as fb2: says why" grep -q \
  '^lexicull: two.fb2.zip: not a readable FictionBook: the archive does not hold exactly one .fb2 file' stderr
printf '<?xml version="1.0"?>\n<FictionBook><body><p>open</b></body></FictionBook>\n' > broken.fb2
run broken.fb2 "$fiction/vocabulary.txt" < /dev/null
check "a FictionBook that is no XML: status 1" [ $status = 1 ]
check "a FictionBook that is no XML: says why" grep -q \
  '^lexicull: broken.fb2: not a readable FictionBook: mismatched tag at line 2' stderr

# Cards: a book read once (standard input) keeps each word's first sentence
# as it comes, a file is read again: the same cards. A book read in parts on
# several threads has the counts and contexts of one read whole.
run --format=tsv book.txt vocabulary.txt < /dev/null
cp stdout cards-file
run --format=tsv - vocabulary.txt < book.txt
check "cards from standard input: those of the file" cmp -s stdout cards-file
python3 -c 'import sys
text = open(sys.argv[1], encoding="utf-8").read()
with open(sys.argv[2], "w", encoding="utf-8") as out:
    out.write("A first sentence. " + "Lorem ipsum dolor sit amet. " * 320000 + "\n\n" + text)' \
  book.txt long-book.txt
for threads in 1 2; do
  LEXICULL_THREADS=$threads run --format=jsonl long-book.txt vocabulary.txt < /dev/null
  cp stdout "cards-$threads"
done
check "cards of a book read in parts: those of one read whole" cmp -s cards-1 cards-2
check "cards of a book read in parts: the first sentence, whichever part" \
  grep -q '^{"word":"the","translation":"der|die|das","count":6,"context":"The Fox and the Grapes"}' cards-2
rm -f long-book.txt

# An archive on standard input is held in memory up to 128 MiB: a larger
# one is refused, never read as text.
{ cat book.epub; head -c $((129 << 20)) /dev/zero; } > large.epub
run - vocabulary.txt < large.epub
check "a 129 MiB archive on standard input: status 1" [ $status = 1 ]
check "a 129 MiB archive on standard input: says why" \
  grep -q "^lexicull: -: not a readable book: a book on standard input that is read whole (an EPUB, an HTML page or a FictionBook) is held in memory, up to 128 MiB" stderr
check "a 129 MiB archive on standard input: no output" [ ! -s stdout ]
rm -f large.epub

while read -r book reason; do
  run "$book" vocabulary.txt < /dev/null
  check "$book: status 1" [ $status = 1 ]
  check "$book: says why" grep -q "^lexicull: $book: not a readable EPUB: .*$reason" stderr
  check "$book: no output" [ ! -s stdout ]
done << 'CASES'
truncated.epub its directory cannot be read
corrupt.epub OEBPS/part1.xhtml is damaged
corrupt-large.epub OEBPS/shared0.xhtml is damaged
bad-checksum.epub OEBPS/part1.xhtml is damaged
wrong-size.epub OEBPS/part1.xhtml is damaged
no-container.epub no META-INF/container.xml
no-package.epub no package document OEBPS/missing.opf
no-document.epub OEBPS/gone.xhtml is not in the archive
encrypted.epub encrypted
huge.epub inflates to more than 64 MiB
markup.epub OEBPS/markup.xhtml: markup too large to hold
many-words.epub its text is larger than 256 MiB
entity-word.epub its text is larger than 256 MiB
entity-text.epub its text is larger than 256 MiB
package-entity.epub OEBPS/content.opf: markup too large to hold
overlap.epub entries overlap (a crafted archive)
streamed-crc.epub OEBPS/long.xhtml is damaged
stored-claim.epub OEBPS/long.xhtml is damaged
CASES

if [ $measure_memory = 1 ] && [ -x /usr/bin/time ]; then
  /usr/bin/time -f %M -o peak "${program[@]}" huge.epub vocabulary.txt > /dev/null 2>&1 < /dev/null
  check "huge.epub: peak memory under 256 MiB ($(tail -n 1 peak) KiB)" [ "$(tail -n 1 peak)" -lt 262144 ]
  # Lines of 40 MiB, each on a thread of its own, go to the book reader in
  # blocks: nothing holds one whole.
  LEXICULL_THREADS=8 /usr/bin/time -f %M -o peak "${program[@]}" wide.epub vocabulary.txt \
    > /dev/null 2>&1 < /dev/null
  check "wide.epub on 8 threads: peak memory under 64 MiB ($(tail -n 1 peak) KiB)" \
    [ "$(tail -n 1 peak)" -lt 65536 ]
  /usr/bin/time -f %M -o peak "${program[@]}" markup.epub vocabulary.txt > /dev/null 2>&1 < /dev/null
  check "markup.epub: peak memory under 64 MiB ($(tail -n 1 peak) KiB)" [ "$(tail -n 1 peak)" -lt 65536 ]
fi

report
