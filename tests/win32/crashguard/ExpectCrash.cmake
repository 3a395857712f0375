# cmake -DEMULATOR=<runner, may be empty> -DPROGRAM=<crash_probe> -DCASE=<test name>
#       -DEXPECTED=<regex for what follows "crashed: "> -DRUNS=<n> -P ExpectCrash.cmake
# Runs one crashing case RUNS times; fails unless every run ends with a non-zero status and
# standard error holds exactly one line, "<program>: crashed: " followed by EXPECTED.
set(ENV{WINEDEBUG} -all)
foreach(run RANGE 1 ${RUNS})
  execute_process(
    COMMAND ${EMULATOR} ${PROGRAM} --gtest_filter=${CASE} --gtest_catch_exceptions=0
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE error TIMEOUT 60)
  string(REPLACE "\r" "" error "${error}")
  string(REGEX REPLACE "\n$" "" error "${error}")
  if(NOT status MATCHES "^[0-9]+$" OR status EQUAL 0)
    message(FATAL_ERROR "run ${run} of ${CASE}: status \"${status}\", expected a failure\n"
                        "standard error:\n${error}")
  endif()
  if(error MATCHES "\n" OR NOT error MATCHES "^[^\n]+: crashed: ${EXPECTED}")
    message(FATAL_ERROR "run ${run} of ${CASE}: standard error is not the guard's one line:\n"
                        "${error}")
  endif()
endforeach()
message(STATUS "${CASE}: ${RUNS} runs, each failed with status ${status}: ${error}")
