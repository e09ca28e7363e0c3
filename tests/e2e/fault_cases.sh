#!/usr/bin/env bash
# Runs the program where the system or its input works against it: output
# that cannot be written or whose reader goes away, inputs that cannot be
# read or fail partway, memory that runs out, and files that are not text.
# These need redirections, limits and generated files that the data-only
# cases cannot express.
#
#   fault_cases.sh [OPTIONS] PROGRAM [PROGRAM_ARGUMENTS...]
#
#   --windows BITS       the program is a Windows build (32 or 64 bits) run
#                        under Wine: the POSIX-only cases are skipped, and a
#                        32-bit program's 2 GiB address space is its memory
#                        limit (a 64-bit one has none that a test can reach)
#   --sanitized          the program runs under sanitizers, which cannot run
#                        under a memory limit: that case is skipped
#   --emulated           the program is another machine's, run under qemu-user,
#                        which neither a memory limit nor a preload reaches
#   --failing-read LIB   the preload library that makes a read fail partway
set -u
windows=0
windows_bits=
sanitized=0
emulated=0
failing_read=
while [ $# -gt 0 ]; do
  case $1 in
    --windows) windows=1; windows_bits=$2; shift ;;
    --sanitized) sanitized=1 ;;
    --emulated) emulated=1 ;;
    --failing-read) failing_read=$(realpath "$2"); shift ;;
    *) break ;;
  esac
  shift
done
program=("$@")
here=$(cd "$(dirname "$0")" && pwd)
# Relative program paths must survive the change of folder below.
for i in 0 1; do
  [ $i -lt ${#program[@]} ] && [ -e "${program[$i]}" ] && program[$i]=$(realpath "${program[$i]}")
done
program_file=${program[${#program[@]} - 1]}
export WINEDEBUG=-all
scratch=$(mktemp -d)
trap 'chmod -R u+rwx "$scratch"; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
cd "$scratch" || exit 1

# shellcheck source=tests/e2e/checks.sh
. "$here/checks.sh"
run() {  # run ARGUMENTS...: the program on them, output in stdout and stderr, status in $status
  "${program[@]}" "$@" > stdout 2> stderr < /dev/null
  status=$?
}
status_is() { [ "$status" = "$1" ]; }
stdout_empty() { [ ! -s stdout ]; }
stderr_empty() { [ ! -s stderr ]; }
stderr_starts() { [ "$(head -c ${#1} stderr)" = "$1" ]; }
stderr_is() { cmp -s stderr <(printf "$1"); }
stdout_lines_whole() { [ ! -s stdout ] || [ "$(tail -c 2 stdout | od -An -c | tr -d ' ')" = '\r\n' ]; }
well_formed() { python3 "$here/check_output.py" stdout > /dev/null; }

printf 'The cat sat on the mat.' > book.txt
printf 'cat|Katze\nmat|Matte\nthe|der\n' > vocabulary.txt

# Output that cannot be written: the filtered vocabulary, and the version
# and usage lines too.
for arguments in "book.txt vocabulary.txt" "--version" "--help"; do
  # shellcheck disable=SC2086
  "${program[@]}" $arguments > /dev/full 2> stderr
  status=$?
  check "$arguments on a full disk: status 1" status_is 1
  check "$arguments on a full disk: message" stderr_starts "lexicull: standard output: "
  # shellcheck disable=SC2086
  "${program[@]}" $arguments >&- 2> stderr
  status=$?
  check "$arguments on a closed standard output: status 1" status_is 1
  check "$arguments on a closed standard output: message" stderr_starts "lexicull: standard output: "
done

# A thread count that is not one.
for threads in 0 257 two; do
  LEXICULL_THREADS=$threads "${program[@]}" book.txt vocabulary.txt > stdout 2> stderr < /dev/null
  status=$?
  check "LEXICULL_THREADS='$threads': status 2" status_is 2
  check "LEXICULL_THREADS='$threads': message" stderr_is \
    "lexicull: LEXICULL_THREADS: not a whole number from 1 to 256\r\n"
done

# "-" is standard input, for the book or the vocabulary.
printf 'The cat sat on the mat.' | "${program[@]}" - vocabulary.txt > stdout 2> stderr
status=$?
check "the book from standard input: status 0" status_is 0
check "the book from standard input: the usual output" \
  cmp -s stdout <(printf 'cat|katze\r\nmat|matte\r\nthe|der\r\n')
printf 'cat|Katze\nmat|Matte\nthe|der\n' | "${program[@]}" book.txt - > stdout 2> stderr
status=$?
check "the vocabulary from standard input: status 0" status_is 0
check "the vocabulary from standard input: the usual output" \
  cmp -s stdout <(printf 'cat|katze\r\nmat|matte\r\nthe|der\r\n')

# An empty LEXICULL_THREADS is an unset one.
LEXICULL_THREADS= "${program[@]}" book.txt vocabulary.txt > stdout 2> stderr < /dev/null
status=$?
check "LEXICULL_THREADS='': status 0" status_is 0
check "LEXICULL_THREADS='': the usual output" cmp -s stdout <(printf 'cat|katze\r\nmat|matte\r\nthe|der\r\n')

# Files large enough to be read in parts, where no separator is near a cut:
# one word per line (the book is cut only after a space), and a line of
# 20 MiB (the vocabulary only after a line feed). Whatever the threads, the
# file is read from its first byte.
awk 'BEGIN { print "alpha"; for (i = 0; i < 2000000; i++) print "w" i }' > lines_book.txt
printf 'alpha omega' > two_words.txt
printf 'alpha|a\n' > alpha.txt
{ printf 'alpha|a\n'; head -c 20971520 /dev/zero | tr '\0' x; printf '\nomega|o\n'; } > long_line.txt
for threads in 1 2 3; do
  LEXICULL_THREADS=$threads "${program[@]}" lines_book.txt alpha.txt > stdout 2> stderr < /dev/null
  status=$?
  check "$threads threads, a book without spaces: status 0" status_is 0
  check "$threads threads, a book without spaces: its first word" cmp -s stdout <(printf 'alpha|a\r\n')
  LEXICULL_THREADS=$threads "${program[@]}" two_words.txt long_line.txt > stdout 2> stderr < /dev/null
  status=$?
  check "$threads threads, a vocabulary with a 20 MiB line: status 0" status_is 0
  check "$threads threads, a vocabulary with a 20 MiB line: every entry" \
    cmp -s stdout <(printf 'alpha|a\r\nomega|o\r\n')
done
rm -f lines_book.txt long_line.txt

# A reader that goes away after the first line: no message and no hang.
awk 'BEGIN { for (i = 0; i < 200000; i++) printf "w%d ", i }' > many_words.txt
awk 'BEGIN { for (i = 0; i < 200000; i++) printf "w%d|x%d\n", i, i }' > many_entries.txt
timeout 60 "${program[@]}" many_words.txt many_entries.txt 2> stderr < /dev/null | head -n 1 > first_line
statuses=("${PIPESTATUS[@]}")
status=${statuses[0]}
check "reader goes away: the program ends by itself" [ "$status" != 124 ]
check "reader goes away: no message" stderr_empty
check "reader goes away: the reader got the first line" cmp -s first_line <(printf 'w0|x0\r\n')

# Inputs that cannot be read.
if [ $windows = 1 ]; then
  skip "a file without read permission (POSIX only)"
else
  cp book.txt locked.txt
  chmod 000 locked.txt
  as_other_user=()
  other_program=("${program[@]}")
  if [ "$(id -u)" = 0 ]; then
    # Root reads everything: drop to an unprivileged user for this case. That
    # user may not reach the build folder (a clone under /root), so it runs
    # a copy of the program from this scratch folder.
    as_other_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    cp "$program_file" other-user-program
    chmod 755 other-user-program
    other_program[${#other_program[@]} - 1]=$scratch/other-user-program
  fi
  if ! "${as_other_user[@]}" "${other_program[@]}" --version > /dev/null 2> stderr; then
    skip "a file without read permission (the unprivileged user cannot run the program here: $(head -n 1 stderr))"
  else
    "${as_other_user[@]}" "${other_program[@]}" locked.txt vocabulary.txt > stdout 2> stderr < /dev/null
    status=$?
    check "book without read permission: status 1" status_is 1
    check "book without read permission: message" stderr_starts "lexicull: locked.txt: Permission denied"
    "${as_other_user[@]}" "${other_program[@]}" book.txt locked.txt > stdout 2> stderr < /dev/null
    status=$?
    check "vocabulary without read permission: status 1" status_is 1
    check "vocabulary without read permission: no output" stdout_empty
  fi
fi

# Dictionary files that are not regular files are refused at once, before
# any input is read: a FIFO is not waited on, a device not read without end.
printf 'SET UTF-8\nSFX S Y 1\nSFX S 0 s .\n' > ok.aff
printf '1\ncat/S\n' > ok.dic
mkdir folder.dic
cp ok.aff folder.aff
dictionary_cases=(folder.dic)
if [ $windows = 0 ]; then
  mkfifo fifo.dic
  cp ok.aff fifo.aff
  ln -s /dev/zero zero.aff
  cp ok.dic zero.dic
  dictionary_cases+=(fifo.dic zero.dic)
else
  skip "a FIFO and a device as dictionary files (POSIX only)"
fi
for dictionary in "${dictionary_cases[@]}"; do
  timeout 60 "${program[@]}" --stem="$dictionary" book.txt vocabulary.txt > stdout 2> stderr < /dev/null
  status=$?
  check "$dictionary as a dictionary file: status 2, at once" status_is 2
  check "$dictionary as a dictionary file: message" stderr_starts "lexicull: ${dictionary%.dic}."
  check "$dictionary as a dictionary file: no output" stdout_empty
done
run --stem=ok.dic book.txt vocabulary.txt
check "a regular dictionary beside them: status 0" status_is 0

# A book and a vocabulary from FIFOs whose writers wait for their readers,
# the book's slow to come: looking for a dictionary of the vocabulary's name
# must not open the FIFO, or its writer would write to a pipe nobody reads
# any more, and the program wait for ever to read it.
if [ $windows = 0 ]; then
  run book.txt vocabulary.txt
  cp stdout from-files.txt
  mkfifo book.fifo vocabulary.fifo
  { sleep 1; cat book.txt; } > book.fifo &
  cat vocabulary.txt > vocabulary.fifo &
  timeout 20 "${program[@]}" book.fifo vocabulary.fifo > stdout 2> stderr < /dev/null
  status=$?
  kill $(jobs -p) 2> /dev/null
  wait 2> /dev/null
  check "a book and a vocabulary from FIFOs: status 0" status_is 0
  check "a book and a vocabulary from FIFOs: the lines of the files" cmp -s stdout from-files.txt
else
  skip "a book and a vocabulary from FIFOs (POSIX only)"
fi

# Stemming on several threads gives the same bytes as on one: a book of 12,000
# distinct words, enough for every thread that the machine allows.
{ echo 3000; seq 1 3000 | sed 's/^/stem/; s/$/\/S/'; } > many.dic
cp ok.aff many.aff
seq 1 12000 | sed 's/^/stem/; s/$/s/' > stem-book.txt
seq 1 3000 | sed 's/^\(.*\)$/stem\1|s\1/' > stem-vocabulary.txt
for threads in 1 2 3 8; do
  LEXICULL_THREADS=$threads run --stem=many.dic stem-book.txt stem-vocabulary.txt
  [ $threads = 1 ] && cp stdout stems-on-one-thread
  check "stems on $threads threads: status 0" status_is 0
  check "stems on $threads threads: every stem's line, as on one thread" \
    eval '[ "$(grep -c . stdout)" = 3000 ] && cmp -s stdout stems-on-one-thread'
done

if [ -z "$failing_read" ]; then
  skip "a read error partway through a file (needs the preload library)"
else
  for failing in many_words.txt many_entries.txt; do
    LD_PRELOAD=$failing_read LEXICULL_FAIL_PATH=$failing LEXICULL_FAIL_AFTER=300000 \
      ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
      "${program[@]}" many_words.txt many_entries.txt > stdout 2> stderr < /dev/null
    status=$?
    check "read error partway through $failing: status 1" status_is 1
    check "read error partway through $failing: message" \
      stderr_is "lexicull: $failing: Input/output error\r\n"
    check "read error partway through $failing: no output" stdout_empty
  done
fi

if [ -z "$failing_read" ]; then
  skip "a read error after a Ctrl-Z (needs the preload library)"
else
  # The text ends at the Ctrl-Z: a disk that fails after it is of no concern,
  # however many threads read the file.
  { printf 'hello world\032'; head -c 20971520 /dev/zero | tr '\0' x; } > ends_early.txt
  printf 'hello|hallo\n' > hello.txt
  for threads in 1 2 4; do
    LD_PRELOAD=$failing_read LEXICULL_FAIL_PATH=ends_early.txt LEXICULL_FAIL_AFTER=5242880 \
      ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" LEXICULL_THREADS=$threads \
      "${program[@]}" ends_early.txt hello.txt > stdout 2> stderr < /dev/null
    status=$?
    check "$threads threads, a read error after a Ctrl-Z: status 0" status_is 0
    check "$threads threads, a read error after a Ctrl-Z: the text before it" \
      cmp -s stdout <(printf 'hello|hallo\r\n')
  done
  rm -f ends_early.txt
fi

# Memory that runs out.
if [ $sanitized = 1 ]; then
  skip "out of memory (sanitizers cannot run under a memory limit)"
elif [ $emulated = 1 ]; then
  skip "out of memory (qemu-user cannot run under a memory limit)"
elif [ "$windows_bits" = 64 ]; then
  skip "out of memory (a 64-bit Windows program has no address-space limit to reach)"
else
  if [ $windows = 1 ]; then
    # One chunk of 600 MiB of zero bytes (a sparse file: no disk used) cannot
    # be held twice over in a 2 GiB address space.
    truncate -s 600M huge_chunk.txt
    run huge_chunk.txt vocabulary.txt
    rm -f huge_chunk.txt
  else
    # Many distinct words under a small address-space limit.
    awk 'BEGIN { for (i = 0; i < 3000000; i++) printf "w%d ", i }' > more_words.txt
    (ulimit -v 100000 && exec "${program[@]}" more_words.txt vocabulary.txt > stdout 2> stderr)
    status=$?
  fi
  check "out of memory: status 3" status_is 3
  check "out of memory: message between CR LFs" stderr_is '\r\nAbnormal program termination\r\n'
  check "out of memory: only whole lines written" stdout_lines_whole
fi

# Inputs that are not text: each ends normally with well-formed lines.
python3 -c '
import random
random.seed(20261207)
with open("random.bin", "wb") as out:
    out.write(bytes(random.getrandbits(8) for _ in range(1 << 20)))
words = b" ".join(b"w%d" % i for i in range(3000))
with open("random-vocabulary.bin", "wb") as out:
    for i in range(0, 1 << 20, 64):
        # Binary translations, but without the line feed and Ctrl-Z that would end them early.
        translation = bytes(random.choice(range(27, 256)) for _ in range(40))
        out.write(random.choice(words.split()) + b"|" + translation + b"\n")
with open("utf16-book.txt", "wb") as out:
    out.write("Der Fuchs und die Trauben. Über Äpfel!\n".encode("utf-16"))
with open("utf16-vocabulary.txt", "wb") as out:
    out.write("fuchs|fox\nÜber|over\n".encode("utf-16"))
'
cp "$program_file" program-copy
for inputs in "program-copy vocabulary.txt" "book.txt program-copy" "program-copy program-copy" \
              "random.bin random.bin" "random.bin random-vocabulary.bin" "many_words.txt random-vocabulary.bin" \
              "utf16-book.txt utf16-vocabulary.txt"; do
  read -r book vocabulary <<< "$inputs"
  run "$book" "$vocabulary"
  check "not text ($book, $vocabulary): status 0" status_is 0
  check "not text ($book, $vocabulary): well-formed lines" well_formed
  check "not text ($book, $vocabulary): no message" stderr_empty
done

# Binary translations are written as they are, not lost.
run many_words.txt random-vocabulary.bin
check "binary translations: thousands of lines written" [ "$(grep -c . stdout)" -gt 2000 ]

# The Linux program loads libxml2 only for an HTML book: without it, such a
# book is refused with the reason, and text is read as ever. The library is
# hidden in a mount namespace of this case's own.
printf '<html><body><p>Ein <b>Haus</p>' > page.html
printf 'haus|house\nein|a\n' > german.txt
# Every libxml2 the loader knows, of any architecture.
libxml2=$(ldconfig -p 2> /dev/null | awk '$1 ~ /^libxml2\.so\.[0-9]+$/ { print $NF }' | xargs -r realpath)
if [ $windows = 1 ] || [ $emulated = 1 ]; then
  skip "an HTML book without libxml2 (this program has it built in)"
elif ldd "$program_file" 2> /dev/null | grep -q libxml2; then
  skip "an HTML book without libxml2 (this program links it at start)"
elif [ -z "$libxml2" ] || ! : > empty.so || ! unshare -m true 2> /dev/null; then
  skip "an HTML book without libxml2 (no private mount namespace here, or no libxml2 to hide)"
else
  run page.html german.txt
  check "an HTML book: read with libxml2" cmp -s stdout <(printf 'ein|a\r\nhaus|house\r\n')
  hidden() {
    # shellcheck disable=SC2016
    unshare -m sh -c 'for library in $0; do mount --bind empty.so "$library" || exit 99; done; exec "$@"' \
      "$libxml2" "${program[@]}" "$@" > stdout 2> stderr < /dev/null
    status=$?
  }
  hidden page.html german.txt
  check "an HTML book without libxml2: status 1" status_is 1
  check "an HTML book without libxml2: the reason" \
    stderr_starts "lexicull: page.html: not a readable HTML book: cannot load the HTML parser: "
  check "an HTML book without libxml2: no output" stdout_empty
  hidden book.txt vocabulary.txt
  check "a text book without libxml2: status 0" status_is 0
fi

report
