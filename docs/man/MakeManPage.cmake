# cmake -DSCDOC=... -DGZIP=... -DINPUT=page.1.scd -DOUTPUT=page.1.gz -P MakeManPage.cmake
# Turns one scdoc source into a gzipped man page.
execute_process(
  COMMAND ${SCDOC}
  INPUT_FILE ${INPUT}
  OUTPUT_VARIABLE roff
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "scdoc ${INPUT}: ${errors}")
endif()

# scdoc turns hyphenation off before .TH, which turns it on again: without a second .nh, man
# breaks names such as ClampDelay and read-all across lines, and a reader copies them wrongly.
string(REGEX REPLACE "(\n\\.TH [^\n]*\n)" "\\1.nh\n" roff "${roff}")

string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
file(WRITE ${page} "${roff}")
# Compressed as the package's other documentation is.
set(INPUT ${page})
include(${CMAKE_CURRENT_LIST_DIR}/../../packaging/GzipFile.cmake)
