# Read by CTest, not by CMake: one test per suite of a GoogleTest program that needs an X display,
# each run by run-with-xvfb.sh against a display of its own. tq_add_display_test_suites sets
# program, runner, prefix, labels, timeout and environment. The program lists its tests without a
# display.
if(NOT EXISTS "${program}")
  # Reported as a test that cannot run, under a name that says why.
  add_test("${prefix}NOT_BUILT" "${program}")
  set_tests_properties("${prefix}NOT_BUILT" PROPERTIES LABELS "${labels}")
  return()
endif()

execute_process(COMMAND "${program}" --gtest_list_tests
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${program} could not list its tests (${failed}):\n${errors}")
endif()

# Suites start a line and end with a dot; their tests follow, indented.
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^([A-Za-z0-9_/]+)\\.")
    continue()
  endif()
  set(suite "${CMAKE_MATCH_1}")
  if(NOT suite MATCHES "^DISABLED_")
    add_test("${prefix}${suite}" ${runner} "${program}" "--gtest_filter=${suite}.*")
    set_tests_properties("${prefix}${suite}" PROPERTIES
      LABELS "${labels}" TIMEOUT "${timeout}" ENVIRONMENT "${environment}")
  endif()
endforeach()
