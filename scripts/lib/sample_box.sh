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

# The sample guide service's XMLTV guide, as a source file names it: wget
# takes the service as its proxy, so the host is never looked up.
sample_xmltv_location="http://guides.tarvio.invalid/xmltv/guide.xml.xz"

# use_sample_xmltv DIR FETCH: has the box folder DIR read the sample guide
# service's XMLTV guide: a source file naming it, and a channel list made
# from the guide with FETCH (a tarvio-fetch) --list-channels, its first
# $sample_channels channels enabled. The service must be running.
use_sample_xmltv() {
    local box="$1" fetch="$2"
    local plugins="$box/var/kestra/plugins"
    printf '# The sample guide service'"'"'s XMLTV guide.\nxmltv %s\n' "$sample_xmltv_location" > "$plugins/tarvio.source"
    "$fetch" --source "$plugins/tarvio.source" --list-channels > "$box/guide-channels" || return 1
    if [ "$(grep -c '^n ' "$box/guide-channels")" -lt "$sample_channels" ]; then
        echo "The sample XMLTV guide lists fewer than $sample_channels channels." >&2
        return 1
    fi
    {
        echo "# The guide's channels as tarvio-fetch --list-channels lists them, the first $sample_channels fetched."
        awk -v wanted="$sample_channels" 'NR <= wanted { sub(/^n /, "y ") } { print }' "$box/guide-channels"
    } > "$plugins/tarvio.channels"
}

service_pid=""

# start_guide_service DIR [OPTION...]: starts scripts/sample_guide_service.py
# on loopback with the OPTIONs (its port noted in DIR/service.port) and
# points http_proxy at it, so wget sends every request there, whatever the
# guide host. Callers set `trap stop_guide_service EXIT`.
start_guide_service() {
    local port_file="$1/service.port"
    shift
    rm -f "$port_file"
    python3 scripts/sample_guide_service.py --port-file "$port_file" --lifetime 900 "$@" &
    service_pid=$!
    # The port comes at once, or once the service has made its XMLTV
    # guide when asked to make it first (seconds on a busy machine).
    for _ in $(seq 1200); do
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
