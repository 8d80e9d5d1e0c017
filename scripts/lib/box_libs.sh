# box_libs.sh: Expat, zlib and liblzma for the box. Debian has no 32-bit
# PowerPC libraries to install, so build-ppc.sh cross-builds these three
# from Debian 12's own source packages, as static, position-independent
# libraries that tarvio.so and the static tarvio-fetch take in, and only
# the libraries: no tools, no documentation, no translations. Source from
# the repository's top folder after packages.sh.

# The source packages, from Debian 12's main suite (the security suite's
# sources are not served), through the archive's signed index.
BOX_LIBS_SOURCE_LINE="deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main"
BOX_LIBS_PACKAGES=(expat zlib xz-utils)
BOX_LIBS_TRIPLE=powerpc-linux-gnu

# build_box_libs DIR: makes DIR/prefix with include/ and lib/ (libexpat.a,
# libz.a, liblzma.a) and DIR/prefix/copyright, the libraries' licence
# notices for the package. DIR/stamp names the source packages' versions
# and the recipe (this file, the toolchain file, the compiler's version): a
# later call finds it and reuses the prefix without fetching anything. To
# take a newer Debian 12 version, delete DIR. Each step's output goes to
# DIR/log/STEP.log, shown when the step fails.
build_box_libs() {
    [ -n "$1" ] || { echo "build_box_libs: no folder given" >&2; return 1; }
    local dir
    dir=$(realpath -m "$1")
    local prefix="$dir/prefix" recipe
    recipe=$(cat scripts/lib/box_libs.sh cmake/powerpc-linux-gnu.cmake |
             { sha256sum; "$BOX_LIBS_TRIPLE-gcc" -dumpfullversion; } | awk '{ printf "%s ", $1 }') || return 1
    if [ -f "$dir/stamp" ] && [ "$(sed -n 's/^recipe //p' "$dir/stamp")" = "${recipe% }" ] &&
       [ -f "$prefix/lib/libexpat.a" ] && [ -f "$prefix/lib/libz.a" ] && [ -f "$prefix/lib/liblzma.a" ] &&
       [ -f "$prefix/copyright" ]; then
        echo "Box libraries: reusing $(box_libs_sources "$dir") in $prefix"
        return 0
    fi

    echo "== Box libraries: Expat, zlib and liblzma from Debian 12's source packages =="
    local started=$SECONDS
    rm -rf "$dir"
    mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/src" "$dir/build" \
             "$dir/log" "$prefix/include" "$prefix/lib" || return 1
    box_libs_fetch "$dir" || return 1

    local package versions=()
    for package in "${BOX_LIBS_PACKAGES[@]}"; do
        versions+=("$(sed -n 's/^Version: //p' "$dir/src/${package}_"*.dsc)")
        [ -n "${versions[-1]}" ] || { echo "box libraries: no version in $package's .dsc" >&2; return 1; }
        # dpkg-source warns that it cannot check the uploader's signature:
        # apt has checked the files against the archive's signed index.
        box_libs_step "$dir" "unpack-$package" dpkg-source -x "$dir/src/${package}_"*.dsc "$dir/src/$package" ||
            return 1
    done

    box_libs_expat "$dir" && box_libs_zlib "$dir" && box_libs_lzma "$dir" || return 1
    box_libs_notices "$dir" "${versions[@]}" > "$prefix/copyright" || return 1

    # Last, so that an interrupted build starts again from the beginning.
    local i
    {
        for i in "${!BOX_LIBS_PACKAGES[@]}"; do
            echo "source ${BOX_LIBS_PACKAGES[$i]} ${versions[$i]}"
        done
        echo "recipe ${recipe% }"
    } > "$dir/stamp"
    echo "Box libraries: $(box_libs_sources "$dir") built in $((SECONDS - started)) s into $prefix"
}

# box_libs_sources DIR: the source packages and versions DIR/stamp names,
# on one line.
box_libs_sources() {
    sed -n 's/^source //p' "$1/stamp" | paste -sd , | sed 's/,/, /g'
}

# box_libs_step DIR NAME COMMAND...: runs COMMAND with its output in
# DIR/log/NAME.log; on failure shows the log's end and returns 1.
box_libs_step() {
    local log="$1/log/$2.log"
    shift 2
    "$@" >>"$log" 2>&1 && return 0
    tail -n 30 "$log" >&2
    echo "box libraries: failed: $* (the whole output: $log)" >&2
    return 1
}

# box_libs_fetch DIR: the three source packages' files into DIR/src, through
# apt's own folders under DIR/apt; the machine's source lists, package lists
# and cache stay as they are. apt checks the index's signature against
# Debian's archive keyring, and each file against the index's checksums.
box_libs_fetch() {
    local apt="$1/apt"
    echo "$BOX_LIBS_SOURCE_LINE" > "$apt/sources.list"
    local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
                   -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
    # --error-on=any: an index that failed to download or to verify is an
    # error, not a warning.
    box_libs_step "$1" fetch apt-get "${options[@]}" --error-on=any update || return 1
    # As root apt hands downloads to the _apt user, who may not write in
    # DIR/src: the files then come as root, as apt would do after warning.
    [ "$(id -u)" -ne 0 ] || options+=(-o APT::Sandbox::User=root)
    (cd "$1/src" && box_libs_step "$1" fetch apt-get "${options[@]}" source --download-only --only-source \
                                  "${BOX_LIBS_PACKAGES[@]}")
}

# The compiler's flags for all three: position-independent, for tarvio.so;
# one section a function, so that the linker drops what the reader does not
# call. -O2, not -Os: Expat's tokenizer is where a guide's reading spends
# its time (-Os made a bare Expat pass a third slower). No unwind tables:
# they are a fifth of the three libraries' size in tarvio.so, and nothing
# of ours catches an exception, so one thrown through Expat's frames (a
# failed allocation in a handler) ends the program with or without them.
BOX_LIBS_CFLAGS="-O2 -fPIC -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables"

# box_libs_cmake DIR NAME SOURCE TARGET OPTION...: configures SOURCE with the
# box's toolchain file in DIR/build/NAME and builds TARGET alone.
box_libs_cmake() {
    local dir="$1" name="$2" source="$3" target="$4"
    shift 4
    box_libs_step "$dir" "$name" cmake -S "$source" -B "$dir/build/$name" \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/powerpc-linux-gnu.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS_RELEASE="$BOX_LIBS_CFLAGS -DNDEBUG" -DCMAKE_POSITION_INDEPENDENT_CODE=ON "$@" &&
    box_libs_step "$dir" "$name" cmake --build "$dir/build/$name" -j2 --target "$target"
}

# Expat with its CMake build: the library alone. DTD support stays on, and
# with it the protection against entity expansion (billion laughs).
# Namespace processing is off: the reader never asks for it, and its
# encoding tables would cost tarvio.so some 12 KB. Debian's
# security patches test "#if XML_DTD == 1", which the CMake template's bare
# "#cmakedefine XML_DTD" would leave as "#if == 1": the template gets a 1.
box_libs_expat() {
    local source="$1/src/expat/expat"
    sed -i -E 's/^#cmakedefine (XML_DTD|XML_NS)$/#cmakedefine \1 1/' "$source/expat_config.h.cmake" &&
        grep -q '^#cmakedefine XML_DTD 1$' "$source/expat_config.h.cmake" ||
        { echo "box libraries: Expat's expat_config.h.cmake has no XML_DTD to define as 1" >&2; return 1; }
    box_libs_cmake "$1" expat "$source" expat -DEXPAT_SHARED_LIBS=OFF \
        -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
        -DEXPAT_BUILD_PKGCONFIG=OFF -DEXPAT_BUILD_FUZZERS=OFF -DEXPAT_DTD=ON -DEXPAT_NS=OFF || return 1
    grep -q '^#define XML_DTD 1$' "$1/build/expat/expat_config.h" ||
        { echo "box libraries: Expat was configured without XML_DTD" >&2; return 1; }
    cp "$source/lib/expat.h" "$source/lib/expat_external.h" "$1/prefix/include/" &&
        cp "$1/build/expat/libexpat.a" "$1/prefix/lib/"
}

# zlib with its own configure, as a static library only.
box_libs_zlib() {
    local source="$1/src/zlib"
    (cd "$source" && CHOST="$BOX_LIBS_TRIPLE" CC="$BOX_LIBS_TRIPLE-gcc" CFLAGS="$BOX_LIBS_CFLAGS" \
        box_libs_step "$1" zlib ./configure --static --prefix="$1/prefix") &&
    box_libs_step "$1" zlib make -C "$source" -j2 libz.a || return 1
    cp "$source/zlib.h" "$source/zconf.h" "$1/prefix/include/" && cp "$source/libz.a" "$1/prefix/lib/"
}

# liblzma alone, with xz's CMake build: its target builds none of the tools,
# and BUILD_TESTING=OFF leaves the tests out.
box_libs_lzma() {
    local source="$1/src/xz-utils"
    box_libs_cmake "$1" xz-utils "$source" liblzma -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF || return 1
    cp -r "$source/src/liblzma/api/lzma.h" "$source/src/liblzma/api/lzma" "$1/prefix/include/" &&
        cp "$1/build/xz-utils/liblzma.a" "$1/prefix/lib/"
}

# box_libs_notices DIR EXPAT_VERSION ZLIB_VERSION XZ_VERSION: the licence
# notices of the three libraries, taken from the unpacked sources.
box_libs_notices() {
    local src="$1/src" text
    cat <<EOF
tarvio.so and tarvio-fetch include three libraries, built for the box from
Debian 12's source packages, with Debian's patches:

- Expat, the XML parser: source package expat $2, MIT licence.
- zlib, for gzip: source package zlib $3, zlib licence.
- liblzma, for xz: source package xz-utils $4, public domain.

Their notices follow.

======================================================================
Expat (expat $2): COPYING
======================================================================

EOF
    cat "$src/expat/expat/COPYING" || return 1
    cat <<EOF

======================================================================
zlib (zlib $3): LICENSE
======================================================================

EOF
    cat "$src/zlib/LICENSE" || return 1
    cat <<EOF

======================================================================
liblzma (xz-utils $4): from COPYING and debian/copyright
======================================================================

EOF
    # Of XZ Utils' COPYING, what applies to liblzma: the other parts are
    # about tools and scripts that are not built.
    text=$(sed -n 's/^ *- \(liblzma is in the public domain\.\)$/    \1/p' "$src/xz-utils/COPYING")
    [ -n "$text" ] || { echo "box libraries: XZ Utils' COPYING does not say liblzma's licence" >&2; return 1; }
    printf '%s\n\n' "$text"
    sed -n '/You can do whatever you want with the files/,/This software includes code from XZ Utils/p' \
        "$src/xz-utils/COPYING"
    echo
    echo "The copyright holders debian/copyright names for XZ Utils' files:"
    awk '/^Files: \*$/ { on = 1; next } on && /^License:/ { exit } on' "$src/xz-utils/debian/copyright"
}
