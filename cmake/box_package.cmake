# box_package.cmake: the box's .ipk package and tarball of its files, made by CPack from the install() rules.
#
#   cmake --build build-ppc -j2 --target tarvio tarvio-fetch && cpack --config build-ppc/CPackConfig.cmake
#
# (scripts/package.sh does both) writes, in the build folder:
#   tarvio_VERSION_powerpc.ipk     for opkg install: the ar archive of
#                                  debian-binary, control.tar.gz, data.tar.gz
#   tarvio_VERSION_powerpc.tar.gz  the same files under their box paths, for
#                                  an image without opkg: tar -xzf ... -C /
# Included only in the box's (cross) build.

# cpack installs what is already built instead of building everything
# first, which in the box's build would cross-build every test too.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(TARVIO_PACKAGE_MAINTAINER "Tarvio developers <tarvio@example.org>" CACHE STRING
    "The Maintainer field of the box's package")

set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_NAME tarvio)
# "0.6b" is no valid project(VERSION): the package takes the build's own.
set(CPACK_PACKAGE_VERSION ${TARVIO_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "TV guide download for the box's EPG")
set(CPACK_PACKAGE_CONTACT ${TARVIO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_FILE_NAME tarvio_${TARVIO_VERSION}_powerpc)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

# The install() destinations are relative to the box's root, so both
# files unpack at /. An absolute destination would make the tarball's
# generator install into the build machine's own /var when run as root,
# and the package's default root is /usr.
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# The box's flash is scarce: symbols stay in the build folder.
set(CPACK_STRIP_FILES ON)

# opkg reads the same ar archive as dpkg, with gzip members.
set(CPACK_DEBIAN_FILE_NAME tarvio_${TARVIO_VERSION}_powerpc.ipk)
set(CPACK_DEBIAN_PACKAGE_NAME tarvio)
set(CPACK_DEBIAN_PACKAGE_VERSION ${TARVIO_VERSION})
# Without it the package would name the build machine's architecture.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE powerpc)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TARVIO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION multimedia)
# The summary above is the first line; this is the rest, one string.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A plug-in for the host's plug-in menu that fetches the programme guide of\n"
    "the channels in its channel list from a web guide service and writes the\n"
    "box's EPG file, and tarvio-fetch, the same download for cron.")
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
# No Depends: the wget that the download runs is the box's BusyBox one,
# which no package provides, and tarvio-fetch is static. The host provides
# what the plug-in needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)

# tarvio.so and tarvio-fetch carry Expat, zlib and liblzma inside: their
# licence notices, as scripts/lib/box_libs.sh took them from the sources it
# built, go beside the plug-in.
install(FILES ${TARVIO_BOX_LIBS}/copyright DESTINATION ${TARVIO_PLUGIN_DIR} RENAME tarvio.copyright)

# The channel list and the source file are the user's files once
# installed: an upgrade keeps edited ones, and a removal keeps them too.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package-control/conffiles
     CONTENT "/${TARVIO_PLUGIN_DIR}/tarvio.channels\n/${TARVIO_PLUGIN_DIR}/tarvio.source\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/package-control/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
