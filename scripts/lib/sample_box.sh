# sample_box.sh: the demo's box folder and its sample guide service, shared
# by demo.sh and screens.sh. Source from the repository's top folder.

# The number of enabled channels in the sample channel list.
sample_channels=3

# make_sample_box DIR: a fresh box folder for tvhost --root: a channel list
# of three enabled channels and one disabled one, settings for three days.
make_sample_box() {
    local box="$1"
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
}

service_pid=""

# start_guide_service DIR: starts scripts/sample_guide_service.py on
# loopback (its port noted in DIR/service.port) and points http_proxy at it,
# so wget sends every request there, whatever the guide host. Callers set
# `trap stop_guide_service EXIT`.
start_guide_service() {
    local port_file="$1/service.port"
    rm -f "$port_file"
    python3 scripts/sample_guide_service.py --port-file "$port_file" --lifetime 900 &
    service_pid=$!
    for _ in $(seq 100); do
        [ -s "$port_file" ] && break
        kill -0 "$service_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$port_file" ]; then
        echo "The sample guide service did not start." >&2
        return 1
    fi
    export http_proxy="http://127.0.0.1:$(cat "$port_file")/"
    export no_proxy=""
}

stop_guide_service() {
    if [ -n "$service_pid" ]; then
        kill "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
        service_pid=""
    fi
}
