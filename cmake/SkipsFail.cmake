# A test that skips itself has shown nothing, so ctest counts it as failed.
# GoogleTest prints this marker for a skipped test and again in its summary.
set(MAROVAN_SKIP_MARKER [=[\[  SKIPPED \]]=])

# For tests registered by gtest_add_tests: the marker in the output fails them.
function(marovan_skips_fail)
    set_tests_properties(${ARGN} PROPERTIES FAIL_REGULAR_EXPRESSION "${MAROVAN_SKIP_MARKER}")
endfunction()

# gtest_discover_tests, with skips failing. Discovery gives every test a
# SKIP_REGULAR_EXPRESSION on the same marker, and ctest lets a skip win over a
# failure, so a step after discovery takes that rule out of the generated file.
function(marovan_discover_tests target)
    gtest_discover_tests(${target} ${ARGN}
        PROPERTIES FAIL_REGULAR_EXPRESSION "${MAROVAN_SKIP_MARKER}")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND "${CMAKE_COMMAND}"
            "-DTESTS_FILE=${CMAKE_CURRENT_BINARY_DIR}/${target}[1]_tests.cmake"
            -P "${PROJECT_SOURCE_DIR}/cmake/DropSkipRule.cmake"
        VERBATIM)
endfunction()
