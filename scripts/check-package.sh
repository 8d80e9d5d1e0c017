#!/usr/bin/env bash
# check-package.sh: checks the box's package and tarball that package.sh
# made in build-ppc/: reads the package as dpkg-deb (Debian's reader of the
# same ar format that opkg reads) sees it, with the notices of the libraries
# the binaries carry; installs, edits, upgrades and removes it in a fresh
# box root with dpkg doing opkg's job, runs the installed tarvio-fetch from
# that root under qemu-ppc for a whole download against the sample guide
# service, then, with a source file of the user's, for a whole reading of
# an XMLTV guide on the box's USB stick, and compares the tarball with the
# package. Run by test-ppc.sh; installs what is missing (when run as root).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
. scripts/lib/sample_box.sh

ensure_packages dpkg file binutils binutils-powerpc-linux-gnu qemu-user python3 wget
# dpkg looks for ldconfig and start-stop-daemon on the PATH before it
# installs anything.
export PATH="$PATH:/usr/sbin:/sbin"

version=$(sed -n 's/^set(TARVIO_VERSION "\(.*\)")$/\1/p' CMakeLists.txt)
ipk=build-ppc/tarvio_${version}_powerpc.ipk
tarball=build-ppc/tarvio_${version}_powerpc.tar.gz
plugins=var/kestra/plugins
channels=$plugins/tarvio.channels
source_file=$plugins/tarvio.source
notices=$plugins/tarvio.copyright
command=var/kestra/bin/tarvio-fetch

fail() { echo "check-package: $*" >&2; exit 1; }
[ -n "$version" ] || fail "no set(TARVIO_VERSION ...) in CMakeLists.txt"
[ -f "$ipk" ] && [ -f "$tarball" ] || fail "$ipk or $tarball missing: run scripts/package.sh"

work=$(mktemp -d /tmp/tarvio-package.XXXXXX)
finish() {
    stop_guide_service
    rm -rf "$work"
}
trap finish EXIT

echo "== The package as dpkg-deb reads it: $ipk =="
# opkg reads the members in this order, each gzip-compressed.
[ "$(ar t "$ipk" | tr '\n' ' ')" = "debian-binary control.tar.gz data.tar.gz " ] ||
    fail "$ipk: members are $(ar t "$ipk" | tr '\n' ' ')"
field() { dpkg-deb --field "$ipk" "$1"; }
[ "$(field Package)" = tarvio ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = powerpc ] || fail "Architecture is '$(field Architecture)'"
for name in Maintainer Section Description; do
    [ -n "$(field "$name")" ] || fail "no $name field"
done
# The box's wget is BusyBox's, which no package provides: a dependency on
# one would stop opkg.
for name in Depends Pre-Depends Recommends; do
    [ -z "$(field "$name")" ] || fail "$name: $(field "$name")"
done
# No install scripts: the files alone make the install.
control_members=$(dpkg-deb --ctrl-tarfile "$ipk" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
[ "$control_members" = "conffiles control md5sums " ] || fail "control members: $control_members"
[ "$(dpkg-deb --info "$ipk" conffiles)" = "$(printf '/%s\n/%s' "$channels" "$source_file")" ] ||
    fail "conffiles: $(dpkg-deb --info "$ipk" conffiles)"

# Mode, owner and path of every entry of a listing by dpkg-deb -c or tar -tv.
entries() { awk '{ path = $6; sub(/^\.\//, "", path); sub(/\/$/, "", path); if (path != "" && path != ".") print $1, $2, path }' | sort; }
expected=$(sort <<EOF
drwxr-xr-x root/root var
drwxr-xr-x root/root var/kestra
drwxr-xr-x root/root var/kestra/bin
drwxr-xr-x root/root var/kestra/plugins
-rwxr-xr-x root/root $command
-rw-r--r-- root/root $channels
-rw-r--r-- root/root $source_file
-rw-r--r-- root/root $notices
-rw-r--r-- root/root $plugins/tarvio.so
EOF
)
listed=$(dpkg-deb --contents "$ipk" | entries)
[ "$listed" = "$expected" ] || fail "$(printf 'contents:\n%s\nexpected:\n%s' "$listed" "$expected")"
echo "$ipk: tarvio $version for powerpc, no dependencies, no install scripts, conffiles /$channels, /$source_file"

echo "== The binaries in the package =="
dpkg-deb --extract "$ipk" "$work/data"
for binary in "$command" "$plugins/tarvio.so"; do
    kind=$(file -b "$work/data/$binary")
    case "$kind" in
        *", not stripped"*) fail "$binary: not stripped: $kind" ;;
        *", stripped"*) ;;
        *) fail "$binary: $kind" ;;
    esac
done
# Stripping keeps the dynamic symbol table that the host looks in.
exported=$(powerpc-linux-gnu-nm -D --defined-only "$work/data/$plugins/tarvio.so" | awk '$2 ~ /^[A-Z]$/ { print $3 }')
[ "$exported" = plugin_exec ] || fail "the stripped tarvio.so exports '$exported'"
# A static program asks the box for no library, whichever libc it has.
case "$(file -b "$work/data/$command")" in
    *"statically linked"*) ;;
    *) fail "$command is not statically linked" ;;
esac
if powerpc-linux-gnu-readelf -d "$work/data/$command" | grep -q NEEDED; then
    fail "$command needs: $(powerpc-linux-gnu-readelf -d "$work/data/$command" | grep NEEDED)"
fi
echo "$command: static, stripped, $(stat -c %s "$work/data/$command") bytes"
echo "$plugins/tarvio.so: stripped, exports plugin_exec, $(stat -c %s "$work/data/$plugins/tarvio.so") bytes"

# The binaries carry Expat, zlib and liblzma: the package keeps their
# notices, naming the source packages and versions the build used.
sources=$(sed -n 's/^source //p' build-ppc/box-libs/stamp)
[ "$(wc -l <<<"$sources")" -eq 3 ] || fail "build-ppc/box-libs/stamp names no three source packages"
while read -r package package_version; do
    grep -qF "source package $package $package_version," "$work/data/$notices" ||
        fail "$notices does not name $package $package_version"
done <<<"$sources"
for text in "Permission is hereby granted, free of charge" "This notice may not be removed or altered" \
            "liblzma is in the public domain"; do
    grep -qF "$text" "$work/data/$notices" || fail "$notices lacks \"$text\""
done
echo "$notices: the notices of $(paste -sd , <<<"$sources" | sed 's/,/, /g')"

echo "== The tarball: $tarball =="
listed=$(tar -tvzf "$tarball" | entries)
[ "$listed" = "$expected" ] || fail "$(printf 'tarball:\n%s\nexpected:\n%s' "$listed" "$expected")"
mkdir "$work/unpacked"
tar -xzf "$tarball" -C "$work/unpacked"
diff -r "$work/data" "$work/unpacked" >/dev/null || fail "the tarball's files differ from the package's"
echo "$tarball: the package's files, modes and owners, under their box paths"

echo "== Install, edit, upgrade and removal in a fresh box root =="
box="$work/box"
mkdir -p "$box/var/lib/dpkg/info" "$box/var/lib/dpkg/updates" "$box/mnt/usb"
touch "$box/var/lib/dpkg/status"
box_dpkg() {
    dpkg --root="$box" --force-architecture --force-depends --force-not-root "$@" >"$work/dpkg.log" 2>&1 ||
        { cat "$work/dpkg.log" >&2; fail "dpkg $*"; }
}
box_dpkg --install "$ipk"
diff -r --exclude=lib --exclude=mnt "$work/data" "$box" >/dev/null || fail "the box root's files differ from the package's"
[ ! -e "$box/$plugins/tarvio.conf" ] || fail "a settings file was installed"
# The sample source file names no guide: a fresh install fetches the day
# documents, as the run below shows.
active=$(grep -v -e '^[[:space:]]*#' -e '^[[:space:]]*$' "$box/$source_file" || true)
[ -z "$active" ] || fail "the sample source file has active lines: $active"

# The owner enables the first channel the sample skips, and Setup saves
# settings for two days.
sed -i '0,/^n /s/^n /y /' "$box/$channels"
cp "$box/$channels" "$work/edited.channels"
cmp -s "$work/data/$channels" "$work/edited.channels" && fail "the sample channel list skips no channel to enable"
printf '# Tarvio config file - DO NOT EDIT!\n/mnt/usb/lomvi.dat\n2\n' > "$box/$plugins/tarvio.conf"
cp "$box/$plugins/tarvio.conf" "$work/saved.conf"

box_dpkg --force-confold --install "$ipk"
cmp -s "$box/$channels" "$work/edited.channels" || fail "the upgrade replaced the edited channel list"
cmp -s "$box/$plugins/tarvio.conf" "$work/saved.conf" || fail "the upgrade changed the settings file"
cmp -s "$box/$plugins/tarvio.so" "$work/data/$plugins/tarvio.so" || fail "the upgrade left another tarvio.so"
echo "installed, edited and upgraded: the edited channel list and the settings stayed"

echo "== The installed tarvio-fetch under qemu-ppc, from the box root =="
# As cron starts it, with its default paths: in a private mount namespace
# the box root's var, mnt and tmp stand at /var, /mnt and /tmp, for it and
# for the sh and wget (the PC's) it starts. Its own /tmp keeps its lock
# apart from other runs on this machine. No library of the PC's is offered
# to it: qemu-ppc runs it without a library root.
mkdir "$box/tmp"
from_box() {
    local as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(--map-root-user)
    unshare "${as_root[@]}" --mount sh -c 'mount --bind "$1/var" /var && mount --bind "$1/mnt" /mnt &&
        mount --bind "$1/tmp" /tmp && shift && exec "$@"' sh "$box" "$@"
}
# What a run of the installed tarvio-fetch must leave: nothing in /tmp but
# the lock, and one channel block per enabled line of the list, in its
# order, each with its events.
check_run() {
    local left wanted blocks empty
    left=$(find "$box/tmp" -mindepth 1 ! -name tarvio.lock)
    [ -z "$left" ] || fail "$1 left files in /tmp: $left"
    wanted=$(sed -n 's/^y [^,]*,//p' "$box/$channels")
    blocks=$(sed -n 's/^C [0-9]* //p' "$box/mnt/usb/lomvi.dat")
    [ "$blocks" = "$wanted" ] || fail "$(printf '%s: channel blocks:\n%s\nwanted:\n%s' "$1" "$blocks" "$wanted")"
    empty=$(awk '/^C / { if (open && !events) n++; open = 1; events = 0 } /^E / { events++ }
                 END { if (open && !events) n++; print n + 0 }' "$box/mnt/usb/lomvi.dat")
    [ "$empty" -eq 0 ] || fail "$1: $empty channel blocks without events"
}

start_guide_service "$work"
status=0
from_box qemu-ppc "/$command" --version >"$work/version" || status=$?
[ "$status" -eq 0 ] && head -n 1 "$work/version" | grep -qx "tarvio-fetch $version" ||
    fail "tarvio-fetch --version: exit $status, $(cat "$work/version")"
from_box qemu-ppc "/$command" --if-older 20 --quiet >"$work/outcome" 2>"$work/progress" || status=$?
[ "$status" -eq 0 ] || { cat "$work/progress" "$work/outcome" >&2; fail "tarvio-fetch: exit $status"; }
check_run "the run"
echo "exit 0: $(grep -c '^C ' "$box/mnt/usb/lomvi.dat") channel blocks, $(grep -c '^E ' "$box/mnt/usb/lomvi.dat") event records"

echo "== An XMLTV guide on the stick: the user's source file, upgraded, and a run =="
# The owner puts a guide on the USB stick, names it in the source file,
# builds the channel list from the guide's own ids with --list-channels
# and enables two of its channels.
python3 scripts/make_xmltv_guide.py --channels 4 --days 3 --gzip --output "$box/mnt/usb/guide.xml.gz"
printf '# My guide.\nxmltv /mnt/usb/guide.xml.gz\nlang en\n' > "$box/$source_file"
cp "$box/$source_file" "$work/written.source"
status=0
from_box qemu-ppc "/$command" --list-channels >"$work/listed" 2>"$work/listing" || status=$?
[ "$status" -eq 0 ] && [ "$(grep -c '^n ch00[1-4]\.example,' "$work/listed")" -eq 4 ] ||
    { cat "$work/listing" "$work/listed" >&2; fail "tarvio-fetch --list-channels: exit $status"; }
sed '2,3s/^n /y /' "$work/listed" > "$box/$channels"
cp "$box/$channels" "$work/edited.channels"

box_dpkg --force-confold --install "$ipk"
cmp -s "$box/$source_file" "$work/written.source" || fail "the upgrade replaced the user's source file"
cmp -s "$box/$channels" "$work/edited.channels" || fail "the upgrade replaced the channel list made from the guide"
echo "upgraded: the user's source file and channel list stayed"

status=0
from_box qemu-ppc "/$command" >"$work/outcome" 2>"$work/progress" || status=$?
[ "$status" -eq 0 ] && [ "$(cat "$work/outcome")" = "DONE!" ] ||
    { cat "$work/progress" "$work/outcome" >&2; fail "tarvio-fetch with the XMLTV source: exit $status"; }
grep -qx '/mnt/usb/guide.xml.gz: guide read, [0-9]* programmes' "$work/progress" ||
    { cat "$work/progress" >&2; fail "tarvio-fetch did not say it read the guide on the stick"; }
check_run "the XMLTV run"
echo "exit 0, DONE!: $(grep -c '^C ' "$box/mnt/usb/lomvi.dat") channel blocks, $(grep -c '^E ' "$box/mnt/usb/lomvi.dat") event records from the guide on the stick"

box_dpkg --remove tarvio
[ ! -e "$box/$plugins/tarvio.so" ] && [ ! -e "$box/$command" ] || fail "the removal left the binaries"
cmp -s "$box/$channels" "$work/edited.channels" || fail "the removal did not keep the edited channel list"
cmp -s "$box/$source_file" "$work/written.source" || fail "the removal did not keep the source file"
cmp -s "$box/$plugins/tarvio.conf" "$work/saved.conf" || fail "the removal did not keep the settings file"
echo "removed: the binaries went, the channel list, the source file and the settings stayed"
