# tq_msi_version: each project version against the MSI version it must give, or "refused" where
# it must stop the configure step; and a release that changes only the fourth field must come out
# newer than the one before.
include(${MSI_VERSION_MODULE})

set(cases
    "1.0.0.2=1.0.2" "1.0.1.0=1.0.1000" "2.3=2.3.0" "7=7.0.0" "255.255.65.534=255.255.65534"
    "256.0.0.0=refused" "1.256.0.0=refused" "1.0.0.1000=refused" "1.0.66.0=refused"
    "1.0.0.2-rc1=refused" "1.0.65.535=refused")
foreach(case ${cases})
  string(REPLACE "=" ";" pair "${case}")
  list(GET pair 0 version)
  list(GET pair 1 expected)
  # A refusal is a fatal error, so each case runs in a CMake of its own.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DMSI_VERSION_MODULE=${MSI_VERSION_MODULE} -DVERSION=${version}
            -P ${CMAKE_CURRENT_LIST_DIR}/PrintMsiVersion.cmake
    RESULT_VARIABLE status OUTPUT_VARIABLE actual ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0)
    set(actual refused)
  endif()
  if(NOT actual STREQUAL expected)
    message(SEND_ERROR "${version}: expected ${expected}, got ${actual}")
  endif()
endforeach()

tq_msi_version(before 1.0.0.999)
tq_msi_version(after 1.0.1.0)
if(NOT before VERSION_LESS after)
  message(SEND_ERROR "1.0.0.999 gave ${before}, not older than 1.0.1.0's ${after}")
endif()

tq_msi_next_version(next 1.0.2)
if(NOT next STREQUAL "1.0.3")
  message(SEND_ERROR "the version after 1.0.2 came out as ${next}")
endif()
