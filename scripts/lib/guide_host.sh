# guide_host.sh: the guide host that the box's build fetches from, as
# build-ppc.sh and package.sh take it: --guide-host HOST, or the
# environment's TARVIO_GUIDE_HOST. Without either, the build keeps CMake's
# placeholder, which no box can reach, and the scripts say so loudly.

# read_build_options SCRIPT ARG...: sets guide_host ("" for the
# placeholder) and guide_host_args, the configure options that give it.
# Prints the usage and returns 64 on an unknown option.
read_build_options() {
    local script="$1"
    shift
    guide_host="${TARVIO_GUIDE_HOST:-}"
    while [ $# -gt 0 ]; do
        case "$1" in
            --guide-host)
                [ $# -ge 2 ] || { echo "$script: --guide-host needs a host name" >&2; return 64; }
                guide_host="$2"
                shift 2 ;;
            --guide-host=*)
                guide_host="${1#--guide-host=}"
                shift ;;
            *)
                echo "usage: $script [--guide-host HOST]   (or TARVIO_GUIDE_HOST=HOST in the environment)" >&2
                return 64 ;;
        esac
    done
    # Unsetting the cache entry brings back the placeholder, so that a host
    # given to an earlier run does not stay in the build unseen.
    if [ -n "$guide_host" ]; then
        guide_host_args=("-DTARVIO_GUIDE_HOST=$guide_host")
    else
        guide_host_args=(-UTARVIO_GUIDE_HOST)
    fi
}

# warn_placeholder BUILD_DIR: when no host was given, says on standard
# error that BUILD_DIR's binaries fetch from the placeholder.
warn_placeholder() {
    [ -z "$guide_host" ] || return 0
    local placeholder
    placeholder=$(sed -n 's/^TARVIO_GUIDE_HOST:STRING=//p' "$1/CMakeCache.txt")
    {
        echo "################################################################"
        echo "# WARNING: $1 fetches the guide from the placeholder host"
        echo "# $placeholder, which no box can reach. For a box, build with"
        echo "#   TARVIO_GUIDE_HOST=HOST $0    or    $0 --guide-host HOST"
        echo "################################################################"
    } >&2
}
