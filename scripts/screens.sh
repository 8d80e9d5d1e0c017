#!/usr/bin/env bash
# screens.sh: makes the pictures of the screen (docs/screens/, shown in the
# README and docs/tvhost.md):
# the main page, the setup page with its values, a download in progress and
# its outcome, from tvhost --png running the plug-in on the demo's box.
#   scripts/screens.sh    (TARVIO_BUILD_DIR: the build folder, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
. scripts/lib/sample_box.sh
ensure_packages "${BUILD_PACKAGES[@]}"

build="${TARVIO_BUILD_DIR:-build}"
cmake -S . -B "$build" && cmake --build "$build" -j2

work="$PWD/$build/screens"
out=docs/screens
rm -rf "$work"
mkdir -p "$work" "$out"
box="$work/box"
make_sample_box "$box"

trap stop_guide_service EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
start_guide_service "$box"

# shoot NAME KEY...: runs the keys with pictures into $work/NAME and keeps
# the screens' text beside them.
shoot() {
    local name="$1"
    shift
    local keys=()
    local key
    for key in "$@"; do
        keys+=(--key "$key")
    done
    "$build/tvhost" --root "$box" --png "$work/$name" "${keys[@]}" "$build/tarvio.so" \
        > "$work/$name.txt" 2>/dev/null
}

# picture_of NAME PATTERN: the picture of the first screen of run NAME whose
# heading or text matches PATTERN (pictures are numbered like the screens).
picture_of() {
    local number
    number=$(awk -v pattern="$2" '
        /^=== .* ===$/ { screen++ }
        $0 ~ pattern { print screen; exit }' "$work/$1.txt")
    if [ -z "$number" ]; then
        echo "No screen of run $1 shows \"$2\"." >&2
        exit 1
    fi
    ls "$work/$1/$(printf '%03d' "$number")"-*.png
}

shoot main exit
cp "$(picture_of main '=== shown ===')" "$out/main-page.png"

# The setup page with the box's settings, the focus on the file name.
shoot setup blue
cp "$(picture_of setup '=== after blue ===')" "$out/setup-page.png"

# The download's progress (the second channel's first day), then its end.
shoot download green
cp "$(picture_of download 'Downloading: *2 of')" "$out/download-progress.png"
cp "$(picture_of download 'DONE!')" "$out/download-done.png"
stop_guide_service

ls -l "$out"
