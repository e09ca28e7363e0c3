#!/usr/bin/env bash
# Loads the hunspell dictionaries that Debian ships for fifteen languages, in
# their own encodings and sizes, and stems one inflected word with each: every
# one must pass the checks, load and give its stem.
#
#   debian_dictionaries.sh PROGRAM [PROGRAM_ARGUMENTS...]
#
# The dictionaries come from the hunspell-* packages that
# scripts/install-deps.sh installs for the tests.
set -u
program=("$@")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1

# dictionary, a book word, the stem that the dictionary gives for it
cases=(
  "en_US houses house"
  "de_DE Häuser haus"
  "fr chats chat"
  "es_ES casas casa"
  "it_IT case caso"
  "pt_BR casas casar"
  "ru_RU домами дом"
  "pl_PL domy dom"
  "nl huizen huis"
  "sv_SE husen hus"
  "hu_HU házak ház"
  "uk_UA будинки будинок"
  "tr_TR evler ev"
  "da_DK huse hus"
  "bg_BG къщи къща"
)
passed=0
failed=0
for row in "${cases[@]}"; do
  read -r dictionary word stem <<< "$row"
  printf '%s\n' "$word" > book.txt
  printf '%s|stem\n' "$stem" > vocabulary.txt
  "${program[@]}" --stem="$dictionary" book.txt vocabulary.txt > stdout 2> stderr < /dev/null
  status=$?
  if [ $status = 0 ] && cmp -s stdout <(printf '%s|stem\r\n' "$stem"); then
    passed=$((passed + 1))
    echo "ok: $dictionary stems $word to $stem"
  else
    failed=$((failed + 1))
    echo "FAIL: $dictionary: status $status, $(head -c 300 stderr) output: $(head -c 300 stdout)"
  fi
done
echo "$passed passed, $failed failed"
[ $failed = 0 ]
