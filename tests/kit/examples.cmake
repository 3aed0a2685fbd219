# The examples (examples/) and the guide's first game (docs/engine-guide.md) built
# against the kit installed into a temporary prefix, once with CMake's package and once
# with pkg-config, then run headless (tests/kit/examples_test.sh).
add_test(NAME kit_examples
  COMMAND ${PROJECT_SOURCE_DIR}/tests/kit/examples_test.sh ${PROJECT_BINARY_DIR}
          ${PROJECT_SOURCE_DIR})
set_tests_properties(kit_examples PROPERTIES LABELS install TIMEOUT 900)
