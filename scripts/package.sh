#!/usr/bin/env bash
# package.sh: builds the box's tarvio.so and tarvio-fetch as build-ppc.sh
# does and makes from them, with CPack, what a box owner installs:
# build-ppc/tarvio_VERSION_powerpc.ipk for opkg, and
# build-ppc/tarvio_VERSION_powerpc.tar.gz, the same files under their box
# paths, for an image without opkg. Binaries go in stripped.
#
#   scripts/package.sh [--guide-host HOST]   (or TARVIO_GUIDE_HOST=HOST in the environment)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
. scripts/lib/guide_host.sh

read_build_options package.sh "$@" || exit
# The tarball keeps the owners of the files CPack installs: an ordinary
# user's build makes them root's under fakeroot, so that a box unpacking
# it as root does not get files of a stranger's user id.
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    ensure_packages fakeroot
    as_root=(fakeroot)
fi

TARVIO_GUIDE_HOST="$guide_host" scripts/build-ppc.sh

echo "== Box package =="
packages=$("${as_root[@]}" cpack --config build-ppc/CPackConfig.cmake |
           sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
[ -n "$packages" ] || { echo "package.sh: CPack made no package" >&2; exit 1; }
# shellcheck disable=SC2086 # one path a line, none with blanks
ls -l $packages
warn_placeholder build-ppc
