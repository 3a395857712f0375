# Prints tq_msi_version's result for VERSION on standard output (for MsiVersionTest.cmake).
include(${MSI_VERSION_MODULE})
tq_msi_version(result "${VERSION}")
execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${result}")
