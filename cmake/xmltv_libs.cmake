# xmltv_libs.cmake: the libraries the XMLTV guide reader links, as the targets
# EXPAT::EXPAT (XML), ZLIB::ZLIB (gzip) and LibLZMA::LibLZMA (xz).
#
# On the PC they are Debian's (libexpat1-dev, zlib1g-dev, liblzma-dev). For
# the box Debian has none: scripts/build-ppc.sh cross-builds them from
# Debian 12's source packages (scripts/lib/box_libs.sh) as static,
# position-independent libraries, and names their prefix in TARVIO_BOX_LIBS.
# tarvio.so and the static tarvio-fetch then carry them inside and ask the
# box for none of them.

if(NOT CMAKE_CROSSCOMPILING)
  find_package(EXPAT REQUIRED)
  find_package(ZLIB REQUIRED)
  find_package(LibLZMA REQUIRED)
  return()
endif()

set(TARVIO_BOX_LIBS "" CACHE PATH
    "Prefix (include/, lib/) of the box's static Expat, zlib and liblzma, as scripts/build-ppc.sh builds them")
if(NOT TARVIO_BOX_LIBS)
  message(FATAL_ERROR "The box's build needs Expat, zlib and liblzma built for it: run scripts/build-ppc.sh, "
                      "or give their prefix with -DTARVIO_BOX_LIBS=DIR")
endif()

# tarvio_box_library(TARGET FILE): TARGET as the static library FILE of the prefix.
function(tarvio_box_library target file)
  set(path "${TARVIO_BOX_LIBS}/lib/${file}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${path} is missing: scripts/build-ppc.sh builds it")
  endif()
  add_library(${target} STATIC IMPORTED)
  set_target_properties(${target} PROPERTIES
    IMPORTED_LOCATION "${path}"
    INTERFACE_INCLUDE_DIRECTORIES "${TARVIO_BOX_LIBS}/include")
endfunction()

tarvio_box_library(EXPAT::EXPAT libexpat.a)
tarvio_box_library(ZLIB::ZLIB libz.a)
tarvio_box_library(LibLZMA::LibLZMA liblzma.a)
