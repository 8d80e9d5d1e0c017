#!/usr/bin/env bash
# test-ppc.sh: builds tarvio.so, tarvio-fetch and the widget-free core tests
# for the box's 32-bit big-endian PowerPC and runs those tests under
# qemu-user, with the same expectations as on the PC, then one whole download
# by the box's tarvio-fetch; makes the box's package and tarball and checks
# them (check-package.sh). Installs what is missing (when run as root).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
. scripts/lib/ctest_summary.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${PPC_PACKAGES[@]}"

# The plug-in first, checked as the box's host would see it, and the
# package and tarball made of it.
scripts/package.sh

# Without the PC host only the core tests exist in this build, so building
# everything builds just them, GoogleTest and the plug-in.
echo "== PowerPC core tests =="
cmake --build build-ppc -j2
echo "== PowerPC core tests under qemu-ppc =="
run_ctest "build-ppc" build-ppc -j2
# scripts/test.sh prints it with the other builds' lines.
[ -z "${TARVIO_TEST_SUMMARY:-}" ] || printf '%s\n' "${TEST_SUMMARIES[-1]}" > "$TARVIO_TEST_SUMMARY"

# The box's tarvio-fetch, one whole run under qemu-ppc against the sample
# guide service on loopback. The sh and wget it starts are the PC's own.
echo "== PowerPC tarvio-fetch under qemu-ppc =="
run_dir=$(mktemp -d /tmp/tarvio-ppc.XXXXXX)
service_pid=""
finish_run() {
    [ -z "$service_pid" ] || { kill "$service_pid" 2>/dev/null; wait "$service_pid" 2>/dev/null; } || true
    rm -rf "$run_dir"
}
trap finish_run EXIT
printf 'y 501,Canale Uno\nn 502,Off\ny 520,Notizie 24\n' > "$run_dir/tarvio.channels"
printf '# Tarvio config file - DO NOT EDIT!\n/mnt/usb/lomvi.dat\n2\n' > "$run_dir/tarvio.conf"
python3 scripts/sample_guide_service.py --port-file "$run_dir/port" --lifetime 120 &
service_pid=$!
for _ in $(seq 100); do [ -s "$run_dir/port" ] && break; sleep 0.1; done
status=0
http_proxy="http://127.0.0.1:$(cat "$run_dir/port")/" no_proxy="" \
    qemu-ppc -L /usr/powerpc-linux-gnu build-ppc/tarvio-fetch --config "$run_dir/tarvio.conf" \
    --channels "$run_dir/tarvio.channels" --output "$run_dir/lomvi.dat" >"$run_dir/outcome" 2>"$run_dir/progress" \
    || status=$?
cat "$run_dir/progress" "$run_dir/outcome"
fetched=$(grep -c ' events$' "$run_dir/progress" || true)
blocks=$(grep -c '^C ' "$run_dir/lomvi.dat" || true)
records=$(grep -c '^E ' "$run_dir/lomvi.dat" || true)
if [ "$status" -ne 0 ] || [ "$(cat "$run_dir/outcome")" != "DONE!" ] || [ "$fetched" -ne 4 ] \
   || [ "$blocks" -ne 2 ] || [ "$records" -lt 20 ]; then
    echo "test-ppc: tarvio-fetch: exit $status, $fetched of 4 fetches, $blocks of 2 channel blocks, $records events" >&2
    exit 1
fi
echo "build-ppc/tarvio-fetch: DONE!, 2 channel blocks, $records event records"

# The probe of the same channels: today's document of each, its events
# counted, nothing written beside the documents it deletes.
status=0
http_proxy="http://127.0.0.1:$(cat "$run_dir/port")/" no_proxy="" \
    qemu-ppc -L /usr/powerpc-linux-gnu build-ppc/tarvio-fetch --probe \
    --channels "$run_dir/tarvio.channels" >"$run_dir/probe" 2>&1 || status=$?
cat "$run_dir/probe"
probed=$(grep -c '^\[[12]/2\] .* [0-9][0-9]* events$' "$run_dir/probe" || true)
count_line="channels with guide data for $(date +%d/%m): 2 of 2"
if [ "$status" -ne 0 ] || [ "$probed" -ne 2 ] || [ "$(tail -n 1 "$run_dir/probe")" != "$count_line" ] \
   || ls /tmp/501_1.trv /tmp/520_1.trv >/dev/null 2>&1; then
    echo "test-ppc: tarvio-fetch --probe: exit $status, $probed of 2 channels with events" >&2
    exit 1
fi

# What a box owner installs: read, installed, upgraded, run and removed.
scripts/check-package.sh
