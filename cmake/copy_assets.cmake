# Copies the game's asset files from SRC into DST. "hc.txt" holds the player's high
# scores, so it is only put there when none exists yet.
file(GLOB asset_files LIST_DIRECTORIES false "${SRC}/*")
foreach(f ${asset_files})
  get_filename_component(name "${f}" NAME)
  if(name STREQUAL "README.md" OR name STREQUAL "LICENSE-assets.txt")
    continue()
  endif()
  if(name STREQUAL "hc.txt" AND EXISTS "${DST}/hc.txt")
    continue()
  endif()
  file(COPY "${f}" DESTINATION "${DST}")
endforeach()
