# The engine kit's install (cmake --install BUILD --component engine / engine-dev):
#   lib/libzorby-engine.so.SOVERSION, .so.VERSION   component engine (the run-time library)
#   lib/zorby-engine/libzorby-video.so              and its video module
#   include/zorby/*.h                               component engine-dev (public headers)
#   lib/libzorby-engine.so, lib/libzorby-engine.a
#   lib/cmake/ZorbyEngine/ZorbyEngine{Config,ConfigVersion}.cmake
#   lib/pkgconfig/zorby-engine.pc
# The headers under src/ are the engine's own and are never installed.
include(CMakePackageConfigHelpers)

set(ZORBY_KIT_PC_REQUIRES
    "sdl2 SDL2_mixer libpng zlib lzo2 gl")

install(TARGETS zorby_engine_shared
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT engine NAMELINK_SKIP)
install(TARGETS zorby_engine_shared
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT engine-dev NAMELINK_ONLY)
# The video module the library opens at the first video (src/CMakeLists.txt).
install(TARGETS zorby_video_module
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/${ZORBY_VIDEO_MODULE_SUBDIR_KIT} COMPONENT engine)
install(TARGETS zorby_engine_static
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT engine-dev)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/zorby
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT engine-dev
  FILES_MATCHING PATTERN "*.h")

set(zorby_kit_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/ZorbyEngine)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kit/ZorbyEngineConfig.cmake.in
  ${PROJECT_BINARY_DIR}/kit/ZorbyEngineConfig.cmake
  INSTALL_DESTINATION ${zorby_kit_cmake_dir}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR)
# A game asking for 3.2 gets any 3.x from 3.2 on.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kit/ZorbyEngineConfigVersion.cmake
  VERSION ${ZORBY_KIT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kit/ZorbyEngineConfig.cmake
              ${PROJECT_BINARY_DIR}/kit/ZorbyEngineConfigVersion.cmake
  DESTINATION ${zorby_kit_cmake_dir} COMPONENT engine-dev)

# The pc file finds its prefix from its own folder, so the kit can be installed
# into any prefix (cmake --install --prefix).
file(RELATIVE_PATH ZORBY_KIT_PC_TO_PREFIX
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" ZORBY_KIT_PC_TO_PREFIX "${ZORBY_KIT_PC_TO_PREFIX}")
# A static link names the engine's libraries themselves; the headers need none of
# them, so compiling against the kit needs no other -dev package.
set(ZORBY_KIT_PC_LIBS_PRIVATE
    "-lSDL2_mixer -lSDL2 -lpng16 -lz -llzo2 -lGL -lpthread -ldl")
configure_file(${PROJECT_SOURCE_DIR}/cmake/kit/zorby-engine.pc.in
  ${PROJECT_BINARY_DIR}/kit/zorby-engine.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kit/zorby-engine.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT engine-dev)

# The kit's documents with the development files, laid out as in the source tree so
# the guide's links hold: share/doc/libzorby-engine-dev/docs (the guide and the input
# script format), examples/ (sources, assets and CMake project), and html/ (the
# reference, built by Doxygen when ZORBY_KIT_REFERENCE is on).
set(zorby_kit_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/libzorby-engine-dev)
install(FILES ${PROJECT_SOURCE_DIR}/docs/engine-guide.md
              ${PROJECT_SOURCE_DIR}/docs/record-and-replay.md
  DESTINATION ${zorby_kit_docdir}/docs COMPONENT engine-dev)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
  DESTINATION ${zorby_kit_docdir}/examples COMPONENT engine-dev)
option(ZORBY_KIT_REFERENCE "Build the kit's HTML reference with Doxygen and install it" OFF)
if(ZORBY_KIT_REFERENCE)
  find_program(ZORBY_DOXYGEN doxygen REQUIRED)
  file(GLOB zorby_kit_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/zorby/*.h)
  set(zorby_kit_reference ${PROJECT_BINARY_DIR}/kit/reference)
  add_custom_command(OUTPUT ${zorby_kit_reference}/html/index.html
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${zorby_kit_reference}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${zorby_kit_reference}
    COMMAND ${CMAKE_COMMAND} -E env ZORBY_KIT_VERSION=${ZORBY_KIT_VERSION}
            ZORBY_DOCS_OUT=${zorby_kit_reference} ${ZORBY_DOXYGEN} docs/Doxyfile
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    DEPENDS ${zorby_kit_headers} ${PROJECT_SOURCE_DIR}/docs/engine-reference.md
            ${PROJECT_SOURCE_DIR}/docs/Doxyfile
    COMMENT "Making the engine kit's reference (Doxygen)")
  add_custom_target(zorby_kit_reference ALL DEPENDS ${zorby_kit_reference}/html/index.html)
  install(DIRECTORY ${zorby_kit_reference}/html DESTINATION ${zorby_kit_docdir}
    COMPONENT engine-dev)
endif()

# Debian's documents in each of the kit's packages.
if(ZORBY_DEBIAN_DOCS)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libzorby-engine${ZORBY_KIT_SOVERSION}
    COMPONENT engine)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libzorby-engine-dev COMPONENT engine-dev)
  # The package's static library without its debugging sections, as Debian ships them.
  install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/libzorby-engine.a\")"
    COMPONENT engine-dev)
endif()
