# `cmake --install` lays out the game like any installed program:
#   bin/zorby                                       (Debian: games/zorby)
#   lib/zorby/libzorby-video.so                     the video module (Debian: lib/TRIPLET/zorby)
#   share/zorby/...                                 the game's files (Debian: share/games/zorby)
#   share/applications/zorby.desktop, share/metainfo/org.zorby.Zorby.metainfo.xml
#   share/icons/hicolor/NxN/apps/zorby.png, share/man/man6/zorby.6.gz
# and CPack's DEB generator turns that tree into zorby_VERSION_ARCH.deb
# (scripts/zorby.sh package).

# Everything here is the game's (component game); the engine kit's files are the
# components engine and engine-dev (cmake/kit.cmake).
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME game)
install(TARGETS zorby RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The video module, opened at the first video or export (src/CMakeLists.txt).
if(TARGET zorby_video_module)
  install(TARGETS zorby_video_module
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/${ZORBY_VIDEO_MODULE_SUBDIR_GAME})
endif()

# The game's files: pictures, fonts, sounds, music and the default "hc.txt".
file(GLOB ZORBY_ASSET_FILES LIST_DIRECTORIES false ${PROJECT_SOURCE_DIR}/assets/*)
list(FILTER ZORBY_ASSET_FILES EXCLUDE REGEX "/(README\\.md|LICENSE-assets\\.txt)$")
install(FILES ${ZORBY_ASSET_FILES} DESTINATION ${ZORBY_INSTALL_DATADIR})

set(ZORBY_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${ZORBY_PACKAGING}/zorby.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZORBY_PACKAGING}/org.zorby.Zorby.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${ZORBY_PACKAGING}/icons/zorby-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME zorby.png)
endforeach()

# Manual pages and Debian's documents are installed compressed (gzip -n: no time
# stamp, so the package is the same on every build).
function(zorby_gzip src out)
  add_custom_command(OUTPUT ${out}
    COMMAND gzip -9nc ${src} > ${out}
    DEPENDS ${src} VERBATIM)
endfunction()
set(ZORBY_GZ_DIR ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${ZORBY_GZ_DIR})
zorby_gzip(${ZORBY_PACKAGING}/zorby.6 ${ZORBY_GZ_DIR}/zorby.6.gz)
set(ZORBY_GZ_FILES ${ZORBY_GZ_DIR}/zorby.6.gz)
install(FILES ${ZORBY_GZ_DIR}/zorby.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
if(ZORBY_DEBIAN_DOCS)
  zorby_gzip(${ZORBY_PACKAGING}/changelog ${ZORBY_GZ_DIR}/changelog.gz)
  list(APPEND ZORBY_GZ_FILES ${ZORBY_GZ_DIR}/changelog.gz)
  install(FILES ${ZORBY_PACKAGING}/copyright ${ZORBY_GZ_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
add_custom_target(zorby_packaging_files ALL DEPENDS ${ZORBY_GZ_FILES})

# ---- the Debian packages ----
# zorby (the game); with the engine kit also libzorby-engineN (the shared library, N
# its SONAME number)
# and libzorby-engine-dev (headers, the static library, the CMake and pkg-config
# packages), each from its install component.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorby)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the zorby developers")
set(CPACK_PACKAGE_CONTACT "zorby developers <zorby@example.org>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Run-time dependencies come from the libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_GAME_PACKAGE_NAME zorby)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
# The first line of each description is its package's synopsis; CPack indents the rest.
set(CPACK_DEBIAN_GAME_DESCRIPTION
    "arcade game: strike the smiley faces\nA small arcade game in four timed stages that repeat until the energy bar\nruns out: Time attack, Lost and found, Labyrinth and Masked smileys. Play\nwith the mouse or a keyboard-driven cursor; the best three scores are kept\nin the player's home folder.")
set(CPACK_COMPONENTS_ALL game)
if(ZORBY_KIT)
  list(APPEND CPACK_COMPONENTS_ALL engine engine-dev)
  set(CPACK_DEBIAN_ENGINE_PACKAGE_NAME libzorby-engine${ZORBY_KIT_SOVERSION})
  set(CPACK_DEBIAN_ENGINE_PACKAGE_SECTION libs)
  # The shlibs file for the library's users, and the ldconfig trigger (the
  # maintainer scripts CPack writes to call ldconfig are taken out of the package by
  # scripts/zorby.sh package: Debian's libraries leave that to the trigger).
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  set(CPACK_DEBIAN_ENGINE_PACKAGE_CONTROL_EXTRA
      ${ZORBY_PACKAGING}/libzorby-engine/triggers)
  set(CPACK_DEBIAN_ENGINE_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_ENGINE_DESCRIPTION
      "2D game engine (shared library)\nThe engine of the zorby game as a library for other games: window and\nframe loop, sprites, drawing, bitmap fonts, input, sound effects, music,\nvideo, file channels, packed media, grid paths, and exact record and\nreplay on a virtual clock.\n.\nThis package holds the shared library.")
  set(CPACK_DEBIAN_ENGINE-DEV_PACKAGE_NAME libzorby-engine-dev)
  set(CPACK_DEBIAN_ENGINE-DEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_ENGINE-DEV_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_ENGINE-DEV_PACKAGE_DEPENDS
      "libzorby-engine${ZORBY_KIT_SOVERSION} (= ${PROJECT_VERSION})")
  # Only a static link needs the engine's own libraries' development files.
  set(CPACK_DEBIAN_ENGINE-DEV_PACKAGE_SUGGESTS
      "pkgconf, cmake, libsdl2-dev, libsdl2-mixer-dev, libpng-dev, zlib1g-dev, liblzo2-dev, libgl-dev")
  set(CPACK_DEBIAN_ENGINE-DEV_DESCRIPTION
      "2D game engine (development files)\nThe engine of the zorby game as a library for other games: window and\nframe loop, sprites, drawing, bitmap fonts, input, sound effects, music,\nvideo, file channels, packed media, grid paths, and exact record and\nreplay on a virtual clock.\n.\nThis package holds the headers, the static library, the CMake package\n(find_package(ZorbyEngine)), the pkg-config file (zorby-engine) and the\ntest kit for games built on the engine.")
endif()
include(CPack)
