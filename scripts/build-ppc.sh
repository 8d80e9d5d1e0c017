#!/usr/bin/env bash
# build-ppc.sh: builds tarvio.so and tarvio-fetch for the box (32-bit big-endian
# PowerPC) into build-ppc/ and checks that they are what the box can load and run.
# First cross-builds the Expat, zlib and liblzma they carry inside, from
# Debian 12's source packages, into build-ppc/box-libs/ (once: a later run
# reuses them). Installs the cross compiler first where missing (when run as root).
#
#   scripts/build-ppc.sh [--guide-host HOST]   (or TARVIO_GUIDE_HOST=HOST in the environment)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
. scripts/lib/guide_host.sh
. scripts/lib/box_libs.sh

read_build_options build-ppc.sh "$@" || exit

ensure_packages "${PPC_PACKAGES[@]}"

build_box_libs build-ppc/box-libs

echo "== PowerPC build =="
# Built for size (-Os): the box's flash is small, and the tests under
# qemu-ppc then check the code the package carries.
cmake -S . -B build-ppc \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/powerpc-linux-gnu.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DTARVIO_BUILD_HOST=OFF -DTARVIO_BUILD_TESTS=ON \
      -DTARVIO_SANITIZE=OFF -DTARVIO_BOX_LIBS="$PWD/build-ppc/box-libs/prefix" \
      "${guide_host_args[@]}" >/dev/null
cmake --build build-ppc -j2 --target tarvio tarvio-fetch

so=build-ppc/tarvio.so
fail() { echo "build-ppc: $so: $*" >&2; exit 1; }

kind=$(file -b "$so")
case "$kind" in
    "ELF 32-bit MSB shared object, PowerPC"*) ;;
    *) fail "not a 32-bit big-endian PowerPC shared object: $kind" ;;
esac

# The box's host looks up plugin_exec and nothing else; the toolkit and
# libsigc++ are the host's, so the plug-in must leave them undefined.
symbols=$(powerpc-linux-gnu-nm -D --defined-only "$so" | awk '$2 ~ /^[A-Z]$/ { print $3 }')
[ "$symbols" = "plugin_exec" ] || fail "exports more or less than plugin_exec: $symbols"
undefined=$(powerpc-linux-gnu-nm -D -C --undefined-only "$so" | sed -E 's/^ *[A-Za-z] //')
grep -q '^eWindow::' <<<"$undefined" || fail "the toolkit is not left to the host"
grep -q '^sigc::' <<<"$undefined" || fail "libsigc++ is not left to the host"
# Of the box's libraries it asks only for the C and C++ runtimes, which the
# host has loaded already: Expat, zlib and liblzma are inside it.
needed=$(powerpc-linux-gnu-readelf -d "$so" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' | sort | paste -sd ' ')
[ "$needed" = "libc.so.6 libgcc_s.so.1 libstdc++.so.6" ] || fail "needs $needed, more than libc, libgcc_s and libstdc++"

# stripped_size FILE: FILE's size in bytes as the package carries it.
stripped_size() {
    local copy
    copy=$(mktemp)
    powerpc-linux-gnu-strip -o "$copy" "$1" && stat -c %s "$copy"
    rm -f "$copy"
}

# The plug-in stays small on the box's flash: with Expat, zlib and liblzma
# inside, under 450 KB stripped. The file grows in steps of 64 KB, the
# page size the linker aligns the read-only data after relocation to.
so_size=$(stripped_size "$so")
[ "$so_size" -le $((450 * 1024)) ] || fail "$so_size bytes stripped, more than 450 KB ($((450 * 1024)) bytes)"

echo "$so: $kind"
echo "$so: exports plugin_exec only; toolkit and libsigc++ symbols left to the host"
echo "$so: needs $needed; $so_size bytes stripped (at most $((450 * 1024)))"

# The command runs on its own: a static program of the box's kind, needing
# no library from the box.
command=build-ppc/tarvio-fetch
kind=$(file -b "$command")
case "$kind" in
    "ELF 32-bit MSB executable, PowerPC"* | "ELF 32-bit MSB pie executable, PowerPC"*) ;;
    *) echo "build-ppc: $command: not a 32-bit big-endian PowerPC executable: $kind" >&2; exit 1 ;;
esac
if powerpc-linux-gnu-readelf -d "$command" | grep -q NEEDED; then
    echo "build-ppc: $command: needs $(powerpc-linux-gnu-readelf -d "$command" | grep NEEDED)" >&2
    exit 1
fi
echo "$command: $kind"
echo "$command: needs no library; $(stripped_size "$command") bytes stripped"
warn_placeholder build-ppc
