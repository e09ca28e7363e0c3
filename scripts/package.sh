#!/usr/bin/env bash
# Builds the release packages and checks them: a .deb of the Linux program
# with its manual, licence and changelog, which lintian must pass without an
# error or a warning, and a .zip for each Windows program (32-bit and 64-bit)
# with the README, the licence and the manual as text.
#
#   scripts/package.sh           build and check all three
#   scripts/package.sh --check   also install the .deb, run the program and
#                                find its manual, then remove it again
#                                (as root, or with sudo)
#
# A packager names the maintainer with -DLEXICULL_MAINTAINER="Name <address>"
# at the first configure, or through DEBFULLNAME and DEBEMAIL.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release > /dev/null
cmake --build --preset release
(cd build/release && cpack)
for preset in windows windows64; do
  cmake --preset $preset > /dev/null
  cmake --build --preset $preset --target lexicull manual_text
  (cd build/$preset && cpack)
done

version=$(sed -n 's/^project(lexicull VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$(ls build/release/packages/lexicull_"$version"_*.deb)
zips=(build/windows/packages/lexicull-"$version"-win32.zip build/windows64/packages/lexicull-"$version"-win64.zip)
echo "packages: $deb ${zips[*]}"

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

# lintian prints nothing for a clean package; errors and warnings both count.
# (Its only other words, as root, are a caution about that.)
lintian --fail-on error,warning "$deb" > build/lintian.txt 2>&1 || fail "lintian rejects $deb"
if grep -v '^running with root privileges' build/lintian.txt; then
  fail "lintian has remarks on $deb"
fi

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/lexicull ./usr/share/man/man1/lexicull.1.gz \
            ./usr/share/doc/lexicull/copyright ./usr/share/doc/lexicull/changelog.gz; do
  grep -q " $path\$" <<< "$contents" || fail "$deb lacks $path"
done
# libxml2 is loaded when an HTML book comes, so dpkg-shlibdeps cannot see it.
if ! ldd build/release/lexicull | grep -q libxml2; then
  dpkg-deb -f "$deb" Depends | grep -q 'libxml2 (' || fail "$deb does not depend on libxml2, which it loads"
fi
for zip in "${zips[@]}"; do
  listing=$(unzip -l "$zip")
  for file in lexicull.exe README.md LICENSE.txt THIRD-PARTY.txt lexicull.txt; do
    grep -q "/$file\$" <<< "$listing" || fail "$zip lacks $file"
  done
done

if [ "${1:-}" = --check ]; then
  as_root=()
  [ "$(id -u)" = 0 ] || as_root=(sudo)
  was_installed=0
  dpkg -s lexicull > /dev/null 2>&1 && was_installed=1
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q "./$deb"
  [ "$(lexicull --version | tr -d '\r')" = "lexicull $version" ] || fail "the installed lexicull is not $version"
  # An HTML book, whose parser the program loads from the system.
  scratch=$(mktemp -d)
  printf '<html><body><p>Ein <b>Haus</p>' > "$scratch/book.html"
  printf 'haus|house\nein|a\n' > "$scratch/vocabulary.txt"
  [ "$(lexicull "$scratch/book.html" "$scratch/vocabulary.txt" | tr -d '\r' | tr '\n' ' ')" = "ein|a haus|house " ] ||
    fail "the installed lexicull does not read an HTML book"
  rm -rf "$scratch"
  # The manual where man looks for it, readable as a manual page.
  gzip -dc /usr/share/man/man1/lexicull.1.gz | grep -q '^\.TH LEXICULL 1' ||
    fail "the installed manual page is not lexicull(1)"
  [ $was_installed = 1 ] || "${as_root[@]}" apt-get remove -y -q lexicull > /dev/null
  [ $failed = 1 ] || echo "package check: the .deb installs, runs and has its manual"
fi

[ $failed = 0 ] && echo "packages: all checks passed"
exit $failed
