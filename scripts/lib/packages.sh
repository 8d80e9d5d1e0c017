# packages.sh: makes sure Debian packages are installed.
# Installs the missing ones with apt-get when running as root; otherwise
# names them and fails.

# ensure_packages PACKAGE...
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}" >&2
        echo "Install them with: sudo apt-get install ${missing[*]}" >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # A fresh machine has no package lists yet.
    apt-get update -qq || return 1
    apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
}

# The packages every build of the project needs. Expat, zlib and liblzma
# read XMLTV guides; xmltv-util's tv_validate_file checks the test guides,
# and time (/usr/bin/time) measures the XMLTV benchmark's memory.
BUILD_PACKAGES=(build-essential cmake pkg-config libsigc++-3.0-dev libncurses-dev busybox
                libgtest-dev libbenchmark-dev wget faketime python3 tzdata
                libfreetype-dev libpng-dev fonts-dejavu-core
                libexpat1-dev zlib1g-dev liblzma-dev xmltv-util time)

# What the box's PowerPC build needs besides a C++ toolchain: the cross
# compiler with its libstdc++, file and the cross binutils to check the
# result, libsigc++'s headers, GoogleTest's sources to build the tests for
# the target, and qemu-user to run them; and what fetches, checks and
# unpacks Debian's source packages of Expat, zlib and liblzma for the box
# (scripts/lib/box_libs.sh).
PPC_PACKAGES=(cmake make pkg-config libsigc++-3.0-dev file
              g++-powerpc-linux-gnu libstdc++-12-dev-powerpc-cross binutils-powerpc-linux-gnu
              googletest qemu-user
              apt debian-archive-keyring dpkg-dev xz-utils bzip2)
