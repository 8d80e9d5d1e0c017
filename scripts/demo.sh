#!/usr/bin/env bash
# demo.sh: builds the plug-in and runs one download in a box folder, against
# the bundled sample guide service on loopback.
#   scripts/demo.sh                 presses green, shows the screens and the EPG file
#   scripts/demo.sh --interactive   the same box on the terminal, keys from you
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

interactive=0
case "${1:-}" in
    "") ;;
    --interactive) interactive=1 ;;
    *) echo "usage: $0 [--interactive]" >&2; exit 2 ;;
esac

cmake -S . -B build && cmake --build build -j2

# The box's folders: tvhost --root puts var, mnt and tmp of this folder at
# /var, /mnt and /tmp for the plug-in and the commands it starts.
box="$PWD/build/demo-box"
rm -rf "$box"
mkdir -p "$box/var/kestra/plugins" "$box/mnt/usb" "$box/tmp"
cat > "$box/var/kestra/plugins/tarvio.channels" <<'CHANNELS'
# Channels to fetch: y (fetch) or n (skip), a blank, the service's id, a comma, the name.
y 501,Canale Uno
y 502,Canale Due
n 503,Canale Tre
y 520,Notizie 24
CHANNELS
printf '# Tarvio config file - DO NOT EDIT!\n/mnt/usb/lomvi.dat\n3\n' > "$box/var/kestra/plugins/tarvio.conf"
sample_channels=3

service_pid=""
port_file="$box/service.port"
stop_service() {
    if [ -n "$service_pid" ]; then
        kill "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
        service_pid=""
    fi
}
trap stop_service EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

python3 scripts/sample_guide_service.py --port-file "$port_file" --lifetime 900 &
service_pid=$!
for _ in $(seq 100); do
    [ -s "$port_file" ] && break
    kill -0 "$service_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$port_file" ]; then
    echo "The sample guide service did not start." >&2
    exit 1
fi
# wget sends every request through the sample service, whatever the guide host.
export http_proxy="http://127.0.0.1:$(cat "$port_file")/"
export no_proxy=""
echo "Sample guide service on $http_proxy"

if [ "$interactive" -eq 1 ]; then
    build/tvhost --root "$box" build/tarvio.so
    exit 0
fi

screens="$box/screens.txt"
build/tvhost --root "$box" --key green build/tarvio.so | tee "$screens"
stop_service

epg="$box/mnt/usb/lomvi.dat"
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
