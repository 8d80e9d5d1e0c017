#!/usr/bin/env bash
# test-ppc.sh: builds tarvio.so and the widget-free core tests for the box's
# 32-bit big-endian PowerPC and runs those tests under qemu-user, with the
# same expectations as on the PC. Installs what is missing (when run as root).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${PPC_PACKAGES[@]}"

# The plug-in first, checked as the box's host would see it.
scripts/build-ppc.sh

# Without the PC host only the core tests exist in this build, so building
# everything builds just them, GoogleTest and the plug-in.
echo "== PowerPC core tests =="
cmake --build build-ppc -j2
echo "== PowerPC core tests under qemu-ppc =="
ctest --test-dir build-ppc --output-on-failure -j2 --no-tests=error
