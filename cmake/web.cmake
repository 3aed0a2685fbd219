# The web page's build (cmake/toolchains/emscripten.cmake): the game as zorby.js and
# zorby.wasm, its files packed into zorby.data, our own index.html beside them, a zip
# of the four for a host, and the tests that drive the page in headless Chromium
# (label web).

set(ZORBY_WEB_PACK ${CMAKE_BINARY_DIR}/pack/zorby)
add_custom_target(zorby_web_pack
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/pack
  COMMAND ${CMAKE_COMMAND} -DSRC=${PROJECT_SOURCE_DIR}/assets -DDST=${ZORBY_WEB_PACK}
          -P ${PROJECT_SOURCE_DIR}/cmake/copy_assets.cmake
  COMMENT "Gathering the game's files for the page")

file(WRITE ${CMAKE_BINARY_DIR}/zorby-web-link.rsp
     "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=$autoResumeAudioContext,$dynCall\n")
# A program of the page: the game, or a trace program of the tests, linked alike (the
# same frame loop and drawing), with the game's files at /zorby unless NO_GAME_FILES.
function(zorby_web_program target)
  cmake_parse_arguments(arg "NO_GAME_FILES" "" "" ${ARGN})
  # emcc's tools are node programs that look for their modules in NODE_PATH (Debian's
  # node packages), also when the build runs from a shell without it.
  set_property(TARGET ${target} PROPERTY RULE_LAUNCH_LINK
               "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")
  set_target_properties(${target} PROPERTIES SUFFIX ".js")
  if(NOT arg_NO_GAME_FILES)
    add_dependencies(${target} zorby_web_pack)
    target_link_options(${target} PRIVATE --preload-file ${ZORBY_WEB_PACK}@/zorby)
  endif()
  target_link_options(${target} PRIVATE
    # The frame loop runs as on the desktop; its sleeps hand the thread to the browser.
    -sASYNCIFY=1 -sASYNCIFY_IMPORTS=zorby_wait_in_browser -sASYNCIFY_STACK_SIZE=65536
    # The engine draws with OpenGL 1.x, emulated over WebGL.
    -sLEGACY_GL_EMULATION=1 -sMAX_WEBGL_VERSION=1
    -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864 -sTOTAL_STACK=1048576
    -sENVIRONMENT=web -sEXIT_RUNTIME=1
    # The player's files in IndexedDB (mounted and synchronised by index.html).
    -sFORCE_FILESYSTEM=1 -lidbfs.js
    -sEXPORTED_RUNTIME_METHODS=FS,ENV,addRunDependency,removeRunDependency
    # Sound starts on the first click or key (a browser allows none before it): the
    # functions SDL's audio calls, named in a response file (the names' $ would reach
    # the shell through the command line).
    @${CMAKE_BINARY_DIR}/zorby-web-link.rsp)
endfunction()
zorby_web_program(zorby)
set_target_properties(zorby PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The golden trace program (tests/golden/golden_trace.cpp) with its own page, in
# trace/ beside the game's (not in the zip).
add_executable(golden_trace ${PROJECT_SOURCE_DIR}/tests/golden/golden_trace.cpp
               ${PROJECT_SOURCE_DIR}/tests/support/golden_trace.cpp)
target_include_directories(golden_trace PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(golden_trace PRIVATE zorby_game)
zorby_web_program(golden_trace)
set_target_properties(golden_trace PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/trace)
configure_file(${PROJECT_SOURCE_DIR}/tests/web/golden_trace.html
               ${CMAKE_BINARY_DIR}/trace/index.html COPYONLY)
# What the tests' trace pages share (not in the zip).
configure_file(${PROJECT_SOURCE_DIR}/tests/web/trace_page.js ${CMAKE_BINARY_DIR}/trace_page.js
               COPYONLY)

# The video test page (tests/video/video_trace.cpp) in video/, beside the game's and
# not in the zip: the engine's video command with the video layer and FFmpeg's
# decoders linked in (the runtime's loader takes the linked-in entry, a definition of
# video/video_module.cpp's). The game's page links neither: it never plays a clip, and
# its download stays as small as it was.
add_executable(video_trace ${PROJECT_SOURCE_DIR}/tests/video/video_trace.cpp
               ${PROJECT_SOURCE_DIR}/src/video/video_module.cpp)
target_include_directories(video_trace PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(video_trace PRIVATE zorby_runtime zorby_video PkgConfig::FFMPEG)
zorby_web_program(video_trace NO_GAME_FILES)
set_target_properties(video_trace PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/video)
configure_file(${PROJECT_SOURCE_DIR}/tests/web/video_trace.html
               ${CMAKE_BINARY_DIR}/video/index.html COPYONLY)

# The page and the zip a host takes, index.html at its root.
set(ZORBY_WEB_ZIP ${CMAKE_BINARY_DIR}/zorby-${PROJECT_VERSION}-web.zip)
configure_file(${PROJECT_SOURCE_DIR}/packaging/web/index.html ${CMAKE_BINARY_DIR}/index.html
               @ONLY)
add_custom_command(OUTPUT ${ZORBY_WEB_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${ZORBY_WEB_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${ZORBY_WEB_ZIP} --format=zip
          index.html zorby.js zorby.wasm zorby.data
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS zorby ${CMAKE_BINARY_DIR}/index.html
  COMMENT "Packing the page into zorby-${PROJECT_VERSION}-web.zip")
add_custom_target(zorby_web_zip ALL DEPENDS ${ZORBY_WEB_ZIP})

enable_testing()
find_program(ZORBY_CHROMIUM chromium)
# Debian's Python, which has python3-pil (another one on PATH may not).
find_program(ZORBY_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(ZORBY_PYTHON python3)
# The Linux build of this tree, whose golden_trace gives the Linux pixels of a frame
# the browser draws differently (tests/web/golden_test.py).
set(ZORBY_LINUX_BUILD "${PROJECT_SOURCE_DIR}/build" CACHE PATH
    "A Linux build of this tree (its tests/golden_trace)")
if(ZORBY_CHROMIUM AND ZORBY_PYTHON)
  file(GLOB web_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/web/*_test.py)
  foreach(test IN LISTS web_tests)
    get_filename_component(name ${test} NAME_WE)
    add_test(NAME web_${name} COMMAND ${ZORBY_PYTHON} ${test} ${CMAKE_BINARY_DIR}
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(web_${name} PROPERTIES LABELS web TIMEOUT 300
      ENVIRONMENT "ZORBY_CHROMIUM=${ZORBY_CHROMIUM};PYTHONDONTWRITEBYTECODE=1;ZORBY_LINUX_GOLDEN_TRACE=${ZORBY_LINUX_BUILD}/tests/golden_trace;ZORBY_LINUX_VIDEO_TRACE=${ZORBY_LINUX_BUILD}/tests/video_trace")
  endforeach()
endif()
