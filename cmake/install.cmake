# `cmake --install` lays out the game like any installed program:
#   bin/zorby                                       (Debian: games/zorby)
#   share/zorby/...                                 the game's files (Debian: share/games/zorby)
#   share/applications/zorby.desktop, share/metainfo/org.zorby.Zorby.metainfo.xml
#   share/icons/hicolor/NxN/apps/zorby.png, share/man/man6/zorby.6.gz
# and CPack's DEB generator turns that tree into zorby_VERSION_ARCH.deb
# (scripts/zorby.sh package).

install(TARGETS zorby RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

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

# ---- the Debian package ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorby)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the zorby developers")
set(CPACK_PACKAGE_CONTACT "zorby developers <zorby@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade game: strike the smiley faces")
# CPack puts the summary on the first line and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A small arcade game in four timed stages that repeat until the energy bar\nruns out: Time attack, Lost and found, Labyrinth and Masked smileys. Play\nwith the mouse or a keyboard-driven cursor; the best three scores are kept\nin the player's home folder.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Run-time dependencies come from the libraries the program links (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
