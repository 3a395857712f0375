# cmake -DGZIP=... -DINPUT=FILE -DOUTPUT=FILE.gz -P GzipFile.cmake
# Compresses one file as Debian compresses documentation: gzip -9, with no name or time stamp
# inside, so that the same file gives the same bytes.
execute_process(
  COMMAND ${GZIP} -9 -n -c ${INPUT}
  OUTPUT_FILE ${OUTPUT}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ${INPUT} failed")
endif()
