# Read by cpack once per generator: the installer is tq9000-setup-<version>.exe, the ZIP
# tq9000-<version>-win64.zip.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "tq9000-setup-${CPACK_PACKAGE_VERSION}")
else()
  set(CPACK_PACKAGE_FILE_NAME "tq9000-${CPACK_PACKAGE_VERSION}-win64")
endif()
