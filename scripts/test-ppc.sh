#!/usr/bin/env bash
# test-ppc.sh: builds tarvio.so, tarvio-fetch and the widget-free core tests
# (the XMLTV conversion's among them) for the box's 32-bit big-endian
# PowerPC and runs those tests under qemu-user, with the same expectations
# as on the PC, then one whole download by the box's tarvio-fetch, and
# whole XMLTV runs with BusyBox's wget that must write the PC's EPG file,
# byte for byte, with their peak memory; makes the box's package and
# tarball and checks them (check-package.sh). Installs what is missing
# (when run as root).
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
xmltv_service_pid=""
finish_run() {
    local pid
    for pid in "$service_pid" "$xmltv_service_pid"; do
        [ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; } || true
    done
    rm -rf "$run_dir"
}
trap finish_run EXIT

# with_own_tmp DIR COMMAND...: runs COMMAND with DIR at /tmp, where the
# run also finds its files. Its lock (/tmp/tarvio.lock) and documents are
# then its own, not those of another run on this machine.
with_own_tmp() {
    local dir=$1 as_root=()
    shift
    [ "$(id -u)" -eq 0 ] || as_root=(--map-root-user)
    unshare "${as_root[@]}" --mount sh -c 'mount --bind "$1" /tmp && shift && exec "$@"' sh "$dir" "$@"
}

own_tmp="$run_dir/tmp"
mkdir "$own_tmp"
printf 'y 501,Canale Uno\nn 502,Off\ny 520,Notizie 24\n' > "$own_tmp/tarvio.channels"
printf '# Tarvio config file - DO NOT EDIT!\n/mnt/usb/lomvi.dat\n2\n' > "$own_tmp/tarvio.conf"
python3 scripts/sample_guide_service.py --port-file "$run_dir/port" --lifetime 120 &
service_pid=$!
for _ in $(seq 100); do [ -s "$run_dir/port" ] && break; sleep 0.1; done
status=0
http_proxy="http://127.0.0.1:$(cat "$run_dir/port")/" no_proxy="" \
    with_own_tmp "$own_tmp" qemu-ppc -L /usr/powerpc-linux-gnu "$PWD/build-ppc/tarvio-fetch" \
    --config /tmp/tarvio.conf --channels /tmp/tarvio.channels --output /tmp/lomvi.dat \
    >"$run_dir/outcome" 2>"$run_dir/progress" || status=$?
cat "$run_dir/progress" "$run_dir/outcome"
fetched=$(grep -c ' events$' "$run_dir/progress" || true)
blocks=$(grep -c '^C ' "$own_tmp/lomvi.dat" || true)
records=$(grep -c '^E ' "$own_tmp/lomvi.dat" || true)
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
    with_own_tmp "$own_tmp" qemu-ppc -L /usr/powerpc-linux-gnu "$PWD/build-ppc/tarvio-fetch" --probe \
    --channels /tmp/tarvio.channels >"$run_dir/probe" 2>&1 || status=$?
cat "$run_dir/probe"
probed=$(grep -c '^\[[12]/2\] .* [0-9][0-9]* events$' "$run_dir/probe" || true)
count_line="channels with guide data for $(date +%d/%m): 2 of 2"
if [ "$status" -ne 0 ] || [ "$probed" -ne 2 ] || [ "$(tail -n 1 "$run_dir/probe")" != "$count_line" ] \
   || ls "$own_tmp/501_1.trv" "$own_tmp/520_1.trv" >/dev/null 2>&1; then
    echo "test-ppc: tarvio-fetch --probe: exit $status, $probed of 2 channels with events" >&2
    exit 1
fi

# An XMLTV guide of about 20 MB unpacked (40 channels, 8 days: a run of 7
# days that starts after midnight still finds its last day), 10 of its
# channels wanted, read by the box's tarvio-fetch under qemu-ppc with
# BusyBox's wget, as the box has it, gzip and xz. Each EPG file must be
# the PC build's for the same guide, zone and day, byte for byte.
echo "== PowerPC tarvio-fetch reading an XMLTV guide under qemu-ppc =="
# The PC's tarvio-fetch, as scripts/test.sh configures the PC's build.
[ -f build/CMakeCache.txt ] ||
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIO_BUILD_HOST=ON -DTARVIO_BUILD_TESTS=ON >/dev/null
cmake --build build -j2 --target tarvio-fetch >/dev/null
# A zone with summer time, for the service's "today" and every run.
zone=Europe/Rome
xmltv_dir="$run_dir/xmltv"
# The XMLTV runs' own /tmp.
xmltv_tmp="$xmltv_dir/tmp"
mkdir -p "$xmltv_dir/busybox" "$xmltv_tmp"
ln -s "$(command -v busybox)" "$xmltv_dir/busybox/wget"
{
    echo "# Ten of the guide's 40 channels."
    for n in 3 7 11 15 19 23 27 31 35 39; do printf 'y ch%03d.example,Channel %d\n' "$n" "$n"; done
    echo "n ch002.example,Not fetched"
} > "$xmltv_tmp/tarvio.channels"
printf '# Tarvio config file - DO NOT EDIT!\n/mnt/usb/lomvi.dat\n7\n' > "$xmltv_tmp/tarvio.conf"
# The service makes the guide, its gzip and its xz before it answers.
TZ=$zone python3 scripts/sample_guide_service.py --port-file "$xmltv_dir/port" --lifetime 900 \
    --xmltv-channels 40 --xmltv-days 8 --xmltv-now &
xmltv_service_pid=$!
for _ in $(seq 1800); do
    [ -s "$xmltv_dir/port" ] && break
    kill -0 "$xmltv_service_pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$xmltv_dir/port" ] || { echo "test-ppc: the XMLTV guide service did not start" >&2; exit 1; }
xmltv_proxy="http://127.0.0.1:$(cat "$xmltv_dir/port")/"
guide_url=http://guides.tarvio.invalid/xmltv/guide.xml

# The command line the run gives wget, to BusyBox's wget alone.
last=$(http_proxy="$xmltv_proxy" no_proxy="" "$xmltv_dir/busybox/wget" -q -t 1 -U Tarvio/test -O - "$guide_url.gz" \
       2>"$xmltv_dir/wget.err" | gzip -dc | tail -n 1) || true
if [ "$last" != "</tv>" ]; then
    echo "test-ppc: BusyBox's wget did not bring the guide with -q -t 1 -U AGENT -O -: $(head -n 3 "$xmltv_dir/wget.err")" >&2
    exit 1
fi

# xmltv_run NAME PACKING COMMAND...: runs COMMAND (a tarvio-fetch and what
# starts it) on the guide as PACKING has it (.gz or .xz), with its own
# /tmp, into NAME.dat there; its peak memory, by /usr/bin/time, into
# NAME.kb.
xmltv_run() {
    local name=$1 packing=$2
    shift 2
    echo "xmltv $guide_url$packing" > "$xmltv_tmp/$name.source"
    local status=0
    TZ=$zone http_proxy="$xmltv_proxy" no_proxy="" with_own_tmp "$xmltv_tmp" \
        /usr/bin/time -f %M -o "/tmp/$name.kb" \
        "$@" --config /tmp/tarvio.conf --channels /tmp/tarvio.channels \
        --source "/tmp/$name.source" --output "/tmp/$name.dat" \
        >"$xmltv_dir/$name.outcome" 2>"$xmltv_dir/$name.progress" || status=$?
    local blocks
    blocks=$(grep -c '^C ' "$xmltv_tmp/$name.dat" 2>/dev/null || true)
    if [ "$status" -ne 0 ] || [ "$(cat "$xmltv_dir/$name.outcome")" != "DONE!" ] || [ "${blocks:-0}" -ne 10 ]; then
        cat "$xmltv_dir/$name.progress" "$xmltv_dir/$name.outcome" >&2
        echo "test-ppc: $name: exit $status, ${blocks:-0} of 10 channel blocks" >&2
        exit 1
    fi
}
xmltv_run pc .gz "$PWD/build/tarvio-fetch"
guide_size=$(http_proxy="$xmltv_proxy" no_proxy="" wget -q -O - "$guide_url" | wc -c)
echo "build/tarvio-fetch: DONE!, $(grep -c '^E ' "$xmltv_tmp/pc.dat") event records of 10 channels" \
     "from a guide of $guide_size bytes; peak $(cat "$xmltv_tmp/pc.kb") KB"
# What qemu-ppc itself takes with the box's tarvio-fetch doing nothing.
/usr/bin/time -f %M -o "$xmltv_dir/floor.kb" qemu-ppc build-ppc/tarvio-fetch --version >/dev/null
floor=$(cat "$xmltv_dir/floor.kb")
for packing in .gz .xz; do
    name=ppc${packing#.}
    PATH="$xmltv_dir/busybox:$PATH" \
        xmltv_run "$name" "$packing" qemu-ppc -L /usr/powerpc-linux-gnu "$PWD/build-ppc/tarvio-fetch"
    cmp -s "$xmltv_tmp/pc.dat" "$xmltv_tmp/$name.dat" ||
        { echo "test-ppc: $name: the EPG file differs from the PC's: $(cmp "$xmltv_tmp/pc.dat" "$xmltv_tmp/$name.dat")" >&2; exit 1; }
    peak=$(cat "$xmltv_tmp/$name.kb")
    # qemu-ppc's own memory comes with the program's: what the run takes
    # beyond qemu's floor bounds what the program needs on the box.
    echo "build-ppc/tarvio-fetch, ${packing#.}, BusyBox's wget: DONE!, the PC's EPG file byte for byte;" \
         "peak $peak KB under qemu-ppc, $((peak - floor)) KB above qemu's $floor KB"
    [ $((peak - floor)) -lt $((16 * 1024)) ] ||
        { echo "test-ppc: $name: $((peak - floor)) KB above qemu's floor, 16 MB or more" >&2; exit 1; }
done

# What a box owner installs: read, installed, upgraded, run and removed.
scripts/check-package.sh
