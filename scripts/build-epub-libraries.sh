#!/usr/bin/env bash
# Builds the libraries that read EPUB and HTML books and dictd dictionaries
# (zlib's inflating half, expat, libdeflate's inflating half, libxml2's
# parsers and utf8proc)
# as static libraries for a cross target, from Debian's own source packages,
# for the builds that Debian has no -dev packages for (Windows, and s390x on
# another architecture).
#
#   scripts/build-epub-libraries.sh HOST PREFIX
#
#   HOST     the GNU triple: i686-w64-mingw32, x86_64-w64-mingw32, s390x-linux-gnu
#   PREFIX   where include/ and lib/ (libz.a, libexpat.a, libdeflate.a,
#            libxml2.a, libutf8proc.a) go
#
# Each library's C files are compiled as they stand, with the same compiler
# as lexicull (the -posix MinGW-w64 flavour): none of their build systems is
# run but libxml2's CMake, which writes its configuration for the host. Nothing is done when PREFIX holds them already. Needs a deb-src entry
# (scripts/install-deps.sh adds one) and dpkg-dev.
set -euo pipefail
host=$1
prefix=$(realpath -m "$2")
[ -f "$prefix/lib/libz.a" ] && [ -f "$prefix/lib/libexpat.a" ] && [ -f "$prefix/lib/libutf8proc.a" ] &&
  [ -f "$prefix/lib/libdeflate.a" ] && [ -f "$prefix/licences/libdeflate.txt" ] &&
  [ -f "$prefix/lib/libxml2.a" ] && exit 0

case $host in
  *-w64-mingw32) cc=$host-gcc-posix ;;
  *-linux-gnu) cc=$host-gcc ;;
  *) echo "build-epub-libraries: unknown host '$host'" >&2; exit 2 ;;
esac
ar=$host-ar
command -v "$cc" > /dev/null || { echo "build-epub-libraries: no $cc" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p "$prefix/lib" "$prefix/include" "$prefix/licences"

# Debian's source with Debian's patches applied: the newest version the
# archive serves, or an older one that it still has.
fetch() {
  local package=$1 version
  apt-get source -q "$package" > "$package.log" 2>&1 && return 0
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV); do
    apt-get source -q "$package=$version" >> "$package.log" 2>&1 && return 0
  done
  cat "$package.log" >&2
  return 1
}

# library NAME FOLDER FLAGS FILES...: compiles FILES (in FOLDER) into libNAME.a.
library() {
  local name=$1 folder=$2 flags=$3 file objects=()
  shift 3
  for file in "$@"; do
    # shellcheck disable=SC2086
    "$cc" -O2 $flags -I"$folder" -I"$prefix/include" -c "$folder/$file.c" \
      -o "$work/$name-${file//\//-}.o"
    objects+=("$work/$name-${file//\//-}.o")
  done
  rm -f "$prefix/lib/lib$name.a"
  "$ar" rcs "$prefix/lib/lib$name.a" "${objects[@]}"
}

# notice NAME FOLDER: the library's licence (standard input) as the Windows
# .zip carries it, in licences/NAME.txt, with the Debian version that was
# built, which is also logged: the archive may serve another one tomorrow.
notice() {
  local version
  version=$(dpkg-parsechangelog -l "$2/debian/changelog" -S Version 2> /dev/null) || version=$(basename "$2")
  echo "build-epub-libraries: $1 $version"
  { echo "$1, built from Debian's source ($1 $version)"; echo; cat; echo; } > "$prefix/licences/$1.txt"
}

# zlib: only what inflating needs.
fetch zlib
zlib=$(echo "$work"/zlib-*/)
library z "$zlib" "" adler32 crc32 inflate inffast inftrees zutil
cp "$zlib/zlib.h" "$zlib/zconf.h" "$prefix/include/"
notice zlib "$zlib" < "$zlib/LICENSE"

# expat: its configuration, as its own build would make it for this host.
fetch expat
expat_source=$(echo "$work"/expat-*/)
expat=$expat_source
[ -d "$expat/expat/lib" ] && expat=$expat/expat
case $host in
  s390x-* | powerpc-* | ppc64-* | sparc*) byte_order=4321 ;;
  *) byte_order=1234 ;;
esac
{
  echo "#define BYTEORDER $byte_order"
  echo "#define XML_NS 1"
  echo "#define XML_DTD 1"
  echo "#define XML_CONTEXT_BYTES 1024"
  echo "#define HAVE_MEMMOVE 1"
  # Entropy for the hash salt: getrandom on Linux, rand_s on Windows.
  case $host in *-linux-gnu) echo "#define HAVE_GETRANDOM 1" ;; esac
} > "$expat/lib/expat_config.h"
library expat "$expat/lib" "-DXML_STATIC" xmlparse xmlrole xmltok
cp "$expat/lib/expat.h" "$expat/lib/expat_external.h" "$prefix/include/"
notice expat "$expat_source" < "$expat/COPYING"
# libdeflate: inflating and its checksum; the processor's own code is chosen
# at run time, and each machine's file compiles to nothing on the others.
fetch libdeflate
deflate=$(echo "$work"/libdeflate-*/)
library deflate "$deflate/lib" "-I$deflate" deflate_decompress crc32 utils x86/cpu_features arm/cpu_features
cp "$deflate/libdeflate.h" "$prefix/include/"
notice libdeflate "$deflate" < "$deflate/COPYING"
# utf8proc: Unicode's case mappings and categories, for dictd's headwords.
fetch utf8proc
utf8proc=$(echo "$work"/utf8proc-*/)
library utf8proc "$utf8proc" "-DUTF8PROC_STATIC" utf8proc
cp "$utf8proc/utf8proc.h" "$prefix/include/"
notice utf8proc "$utf8proc" < "$utf8proc/LICENSE.md"
# libxml2: its HTML parser and what it rests on, thread-safe (each thread
# parses a document of its own), reading no network and converting no
# encoding (lexicull gives it UTF-8).
fetch libxml2
xml2=$(echo "$work"/libxml2-*/)
case $host in
  *-w64-mingw32) system=Windows ;;
  *) system=Linux ;;
esac
off=()
for feature in C14N CATALOG DEBUG DOCB FTP HTTP ICONV ICU LEGACY LZMA MODULES PROGRAMS PYTHON \
  SCHEMAS SCHEMATRON TESTS XINCLUDE XPATH XPTR ZLIB; do
  off+=("-DLIBXML2_WITH_$feature=OFF")
done
cmake -S "$xml2" -B "$work/libxml2-build" -DCMAKE_SYSTEM_NAME=$system \
  -DCMAKE_SYSTEM_PROCESSOR="${host%%-*}" -DCMAKE_C_COMPILER="$cc" -DCMAKE_AR="$(command -v "$ar")" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DLIBXML2_WITH_THREADS=ON \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${off[@]}" > "$work/libxml2.log" 2>&1 &&
  cmake --build "$work/libxml2-build" --parallel "$(nproc)" >> "$work/libxml2.log" 2>&1 &&
  cmake --install "$work/libxml2-build" >> "$work/libxml2.log" 2>&1 ||
  { cat "$work/libxml2.log" >&2; exit 1; }
notice libxml2 "$xml2" < "$xml2/Copyright"
echo "build-epub-libraries: zlib, expat, libdeflate, libxml2 and utf8proc for $host in $prefix"
