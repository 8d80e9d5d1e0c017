# powerpc-linux-gnu.cmake: cross-builds for the box's 32-bit big-endian PowerPC.
#
#   cmake -S . -B build-ppc -DCMAKE_TOOLCHAIN_FILE=cmake/powerpc-linux-gnu.cmake
#
# The PC host (toolkit, tvhost) is left out by itself when cross compiling.
#
# Uses Debian's cross compiler (g++-powerpc-linux-gnu). Test programs run under
# qemu-user with the cross toolchain's libraries as the library root, so ctest
# works as it does for a native build.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)

set(TARVIO_CROSS_TRIPLE powerpc-linux-gnu)
# Where Debian's *-powerpc-cross packages put the target's libc and libstdc++.
set(TARVIO_CROSS_ROOT /usr/${TARVIO_CROSS_TRIPLE})

set(CMAKE_C_COMPILER ${TARVIO_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TARVIO_CROSS_TRIPLE}-g++)

# 64-bit file offsets and inode numbers, as every 32-bit program should
# have: without them stat() and readdir() fail with EOVERFLOW on files and
# directories whose sizes, inode numbers or directory cookies exceed 32 bits
# (as a 64-bit kernel's ext4 gives under emulation). long and time_t stay
# 32 bits, as on the box.
set(CMAKE_CXX_FLAGS_INIT "-D_FILE_OFFSET_BITS=64")

# Libraries and packages come from the target's root only; build tools from
# the PC. Headers may come from the PC too: the plug-in takes libsigc++'s
# (header-only as far as it is concerned, and its config header is the same
# on every Linux) from the PC's package, and leaves the library's symbols
# for the box's host to supply.
set(CMAKE_FIND_ROOT_PATH ${TARVIO_CROSS_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)

# ctest (and gtest_discover_tests) start each test program through this.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-ppc -L ${TARVIO_CROSS_ROOT})
