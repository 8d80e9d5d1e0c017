#!/usr/bin/env bash
# demo.sh: builds the plug-in and runs one download in a box folder, against
# the bundled sample guide service on loopback; then tarvio-fetch refreshes
# the same box without the dialog.
#   scripts/demo.sh                 presses green, shows the screens and the EPG file
#   scripts/demo.sh --interactive   the same box on the terminal, keys from you
#   scripts/demo.sh --xmltv [--interactive]
#                                   the same with an XMLTV guide of the service as
#                                   the box's source, its channel list made with
#                                   tarvio-fetch --list-channels
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
. scripts/lib/sample_box.sh
ensure_packages "${BUILD_PACKAGES[@]}"

interactive=0
xmltv=0
for option in "$@"; do
    case "$option" in
        --interactive) interactive=1 ;;
        --xmltv) xmltv=1 ;;
        *) echo "usage: $0 [--xmltv] [--interactive]" >&2; exit 2 ;;
    esac
done

cmake -S . -B build && cmake --build build -j2

# The box's folders: tvhost --root puts var, mnt and tmp of this folder at
# /var, /mnt and /tmp for the plug-in and the commands it starts.
box="$PWD/build/demo-box"
make_sample_box "$box"

trap stop_guide_service EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if [ "$xmltv" -eq 0 ]; then
    start_guide_service "$box"
    echo "Sample guide service on $http_proxy"
else
    # The guide is made before the service answers, so that no fetch waits.
    echo "Making the sample XMLTV guide..."
    start_guide_service "$box" --xmltv-now
    echo "Sample guide service on $http_proxy"
    use_sample_xmltv "$box" build/tarvio-fetch
    echo "Source file: $(grep -v '^#' "$box/var/kestra/plugins/tarvio.source")"
    echo "Channel list from tarvio-fetch --list-channels:"
    cat "$box/var/kestra/plugins/tarvio.channels"
    echo
fi

if [ "$interactive" -eq 1 ]; then
    build/tvhost --root "$box" build/tarvio.so
    exit 0
fi

screens="$box/screens.txt"
build/tvhost --root "$box" --key green build/tarvio.so | tee "$screens"

# The same download without the dialog, as a cron line on the box runs it:
# tarvio-fetch refreshes the box's EPG file from the box's own settings and
# channel list (keeping its lock and documents in the PC's /tmp).
epg="$box/mnt/usb/lomvi.dat"
cp "$epg" "$box/dialog.dat" 2>/dev/null || true
echo
echo "=== build/tarvio-fetch refreshing the box ==="
fetch_status=0
# With XMLTV, the box's source file too, not the PC's.
source_option=()
[ "$xmltv" -eq 0 ] || source_option=(--source build/demo-box/var/kestra/plugins/tarvio.source)
build/tarvio-fetch --config build/demo-box/var/kestra/plugins/tarvio.conf \
                   --channels build/demo-box/var/kestra/plugins/tarvio.channels \
                   "${source_option[@]}" \
                   --output build/demo-box/mnt/usb/lomvi.dat || fetch_status=$?
stop_guide_service
if [ "$fetch_status" -ne 0 ]; then
    echo "tarvio-fetch ended with exit status $fetch_status." >&2
    exit 1
fi
if cmp -s "$epg" "$box/dialog.dat"; then
    echo "(the same EPG file as the dialog's run wrote, byte for byte)"
fi

echo
echo "=== start of the EPG file ($epg) ==="
head -n 24 "$epg" 2>/dev/null || echo "(no EPG file)"
echo "..."
channels=$(grep -c '^C ' "$epg" 2>/dev/null || true)
records=$(grep -c '^E ' "$epg" 2>/dev/null || true)
echo
echo "Channel blocks: ${channels:-0} of $sample_channels, event records: ${records:-0}"
# The run's outcome, as the last screen showed it.
if grep -q 'DONE!' "$screens" && [ "${channels:-0}" -eq "$sample_channels" ] && [ "${records:-0}" -gt 0 ]; then
    echo "DONE!"
else
    echo "The download did not complete." >&2
    exit 1
fi
