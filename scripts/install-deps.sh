#!/usr/bin/env bash
# Installs the Debian packages that lexicull's build, or a test suite, needs
# and that are missing. Needs root (or sudo) only when something is missing.
#
#   scripts/install-deps.sh build         compiler and CMake
#   scripts/install-deps.sh test          every group below
#   scripts/install-deps.sh GROUP...      some of them: build unit
#                                         dictionaries windows fuzz limits
#                                         packages s390x tsan, or bench
#                                         (the benchmark's tools and corpus)
#
# Each group is installed on its own, so a package that this release or
# architecture lacks costs only the suite that needs it; the groups that could
# not be installed are named at the end, and the status is then 1.
set -uo pipefail

declare -A groups=(
  [build]="cmake g++ make libhunspell-dev libexpat1-dev zlib1g-dev libdeflate-dev libutf8proc-dev libxml2-dev"
  [unit]="libgtest-dev googletest python3"
  [dictionaries]="hunspell-en-us hunspell-de-de hunspell-fr-classical hunspell-es hunspell-it hunspell-pt-br hunspell-ru hunspell-pl hunspell-nl hunspell-sv hunspell-hu hunspell-uk hunspell-tr hunspell-da hunspell-bg"
  [windows]="g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 groff-base dpkg-dev"
  [fuzz]="clang"
  [tsan]="clang dpkg-dev libgtest-dev"
  [limits]="time python3 util-linux"
  [packages]="zip unzip groff-base lintian gzip"
  [s390x]="g++-s390x-linux-gnu qemu-user dpkg-dev"
  [bench]="libbenchmark-dev hyperfine time mawk python3 bible-kjv bible-kjv-text trans-de-en hunspell hunspell-en-us hunspell-de-de fortunes fortunes-de dict-freedict-eng-deu"
)
all=(build unit dictionaries windows fuzz tsan limits packages s390x)

case ${1:-} in
  "") echo "usage: scripts/install-deps.sh build|test|GROUP..." >&2; exit 2 ;;
  test) wanted=("${all[@]}") ;;
  *) wanted=("$@") ;;
esac
for group in "${wanted[@]}"; do
  [ -n "${groups[$group]+set}" ] || { echo "install-deps: no group '$group'" >&2; exit 2; }
done

as_root=()
[ "$(id -u)" != 0 ] && command -v sudo > /dev/null && as_root=(sudo)
can_install() { [ "$(id -u)" = 0 ] || [ ${#as_root[@]} -gt 0 ]; }

updated=0
update_once() {
  [ $updated = 1 ] && return 0
  # A mirror caught while it syncs serves an index of the wrong size ("Mirror
  # sync in progress?"), and with i386's security index missing wine32:i386
  # cannot be installed; a try a little later usually gets it whole.
  local try
  for try in 1 2 3; do
    "${as_root[@]}" apt-get update -q && break
    [ $try -lt 3 ] && echo "install-deps: apt-get update failed; trying again in 20 s" >&2 && sleep 20
  done
  updated=1
}

# install NAME PACKAGE...: installs the missing ones; fails only for this call.
install() {
  local name=$1 missing=() package
  shift
  for package in "$@"; do
    dpkg -s "$package" > /dev/null 2>&1 || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if ! can_install; then
    echo "install-deps: $name needs ${missing[*]}; run as root or with sudo to install them" >&2
    return 1
  fi
  update_once
  echo "install-deps: $name: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}"
}

# The cross builds make libhunspell from Debian's source package, which apt
# fetches only with a deb-src entry beside each deb entry.
add_source_entries() {
  apt-get indextargets --format '$(IDENTIFIER)' 2> /dev/null | grep -qx Sources && return 0
  can_install || { echo "install-deps: no deb-src entry, and no root to add one" >&2; return 1; }
  local list
  for list in /etc/apt/sources.list.d/*.sources; do
    # Debian's own archive only: a third party's may have no sources.
    [ -f "$list" ] && grep -q '^Types:.*\bdeb\b' "$list" &&
      grep -q '^URIs:.*/debian\(-security\)\?/\?$' "$list" || continue
    case $list in *lexicull-sources.sources) continue ;; esac
    sed 's/^Types:.*/Types: deb-src/' "$list"
    echo
  done | "${as_root[@]}" tee /etc/apt/sources.list.d/lexicull-sources.sources > /dev/null
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's|^deb \(\[[^]]*\] \)\?\([^ ]*/debian\(-security\)\?/\? .*\)|deb-src \1\2|p' /etc/apt/sources.list |
      "${as_root[@]}" tee /etc/apt/sources.list.d/lexicull-sources.list > /dev/null
  fi
  updated=0
  update_once
}

failed=()
for group in "${wanted[@]}"; do
  # shellcheck disable=SC2086
  install "$group" ${groups[$group]} || failed+=("$group")
  case $group in
    windows | s390x | tsan)
      add_source_entries || failed+=("$group (Debian's sources for libhunspell)")
      ;;&
    windows)
      # Wine's 32-bit loader comes from the i386 architecture, which only an
      # amd64 machine can add; without it the 64-bit program is tested.
      if [ "$(dpkg --print-architecture)" = amd64 ] && ! dpkg -s wine32:i386 > /dev/null 2>&1; then
        if can_install && ! dpkg --print-foreign-architectures | grep -qx i386; then
          "${as_root[@]}" dpkg --add-architecture i386 && updated=0
        fi
        install "windows (32-bit loader)" wine32:i386 ||
          echo "install-deps: no wine32:i386; the Windows suite will test the 64-bit program"
      fi
      ;;
    fuzz | tsan)
      # libFuzzer and the sanitizer runtimes come with the runtime package of
      # the clang that is installed, whatever its version.
      if command -v clang++ > /dev/null; then
        major=$(clang++ -dumpversion | cut -d. -f1)
        dpkg -s "libclang-rt-$major-dev" > /dev/null 2>&1 || { can_install && update_once; }
        if apt-cache show "libclang-rt-$major-dev" > /dev/null 2>&1; then
          install "$group (clang $major runtime)" "libclang-rt-$major-dev" || failed+=("$group")
        fi
      fi
      ;;
  esac
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "install-deps: could not install: ${failed[*]} (their suites will say why they are skipped)" >&2
  exit 1
fi
