# Makes the engine library's linker version script from the committed list of its
# exported symbols (one demangled name per line, "#" comments): those are global,
# everything else is local to the library.
file(STRINGS "${SYMBOLS}" lines)
set(out "{\n  global:\n    extern \"C++\" {\n")
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  string(APPEND out "      \"${line}\";\n")
endforeach()
string(APPEND out "    };\n  local: *;\n};\n")
file(WRITE "${MAP}.new" "${out}")
file(RENAME "${MAP}.new" "${MAP}")
