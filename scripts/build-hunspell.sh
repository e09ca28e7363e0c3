#!/usr/bin/env bash
# Builds libhunspell as a static library from Debian's own source package,
# for the builds that Debian has no libhunspell-dev for: Windows, s390x on
# another architecture, and this machine under ThreadSanitizer, so that the
# library's own races are seen too.
#
#   scripts/build-hunspell.sh HOST PREFIX [thread]
#
#   HOST     the GNU triple: i686-w64-mingw32, x86_64-w64-mingw32, s390x-linux-gnu,
#            or "native" for this machine
#   PREFIX   where include/hunspell/ and lib/libhunspell-1.7.a go
#   thread   build with clang and -fsanitize=thread
#
# The library is built with the same compilers as lexicull (the -posix
# MinGW-w64 flavour: a library and a program of different flavours crash at
# the first call across them). Nothing is done when PREFIX holds it already.
# Needs a deb-src entry (scripts/install-deps.sh adds one) and dpkg-dev.
set -euo pipefail
host=$1
prefix=$(realpath -m "$2")
[ -f "$prefix/lib/libhunspell-1.7.a" ] && [ -f "$prefix/licences/hunspell.txt" ] && exit 0

sanitizer=${3:-}
flags="-O2"
host_option=(--host="$host")
case $host in
  *-w64-mingw32) cc=$host-gcc-posix cxx=$host-g++-posix ;;
  native) cc=gcc cxx=g++ host_option=() ;;
  *) cc=$host-gcc cxx=$host-g++ ;;
esac
if [ "$sanitizer" = thread ]; then
  cc=clang cxx=clang++ flags="-O1 -g -fsanitize=thread"
fi
command -v "$cxx" > /dev/null || { echo "build-hunspell: no $cxx" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Debian's source with Debian's patches applied.
apt-get source -q hunspell > source.log 2>&1 || { cat source.log >&2; exit 1; }
cd hunspell-*/
[ -x configure ] || autoreconf -fi > autoreconf.log 2>&1
./configure -q "${host_option[@]}" CC="$cc" CXX="$cxx" CFLAGS="$flags" CXXFLAGS="$flags" \
  LDFLAGS="${flags#-O? }" --disable-shared --enable-static \
  --without-ui --without-readline --disable-nls > configure.log 2>&1 ||
  { tail -n 20 configure.log >&2; exit 1; }
make -s -C src/hunspell -j "$(nproc)" > make.log 2>&1 || { tail -n 20 make.log >&2; exit 1; }
mkdir -p "$prefix/lib" "$prefix/include/hunspell"
cp src/hunspell/*.h src/hunspell/*.hxx "$prefix/include/hunspell/"
cp src/hunspell/.libs/libhunspell-1.7.a "$prefix/lib/"
# Its licence, as the Windows .zip carries it: the library is under the MPL
# 1.1, the GPL 2 or the LGPL 2.1, at the user's choice.
mkdir -p "$prefix/licences"
{
  echo "libhunspell, built from Debian's source ($(basename "$PWD"))"
  echo
  cat license.hunspell license.myspell COPYING.MPL
  echo
} > "$prefix/licences/hunspell.txt"
echo "build-hunspell: libhunspell for $host in $prefix"
