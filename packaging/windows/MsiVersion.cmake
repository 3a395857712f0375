# The project's version as Windows Installer takes it. A package's ProductVersion has three fields,
# MAJOR.MINOR.BUILD, at most 255.255.65535, and Windows Installer ignores any fourth when it
# decides whether a package is newer. The project's versions have four (1.0.0.2), and a release
# may change only the fourth, so that field goes into the third: BUILD = PATCH * 1000 + TWEAK.
# 1.0.0.2 is 1.0.2 to Windows Installer, 1.0.1.0 would be 1.0.1000; the order of the versions is
# kept, and so every release upgrades the ones before it. A version outside those bounds stops
# the configure step rather than making a package that cannot upgrade.
function(tq_msi_version out version)
  if(NOT version MATCHES "^([0-9]+)(\\.([0-9]+))?(\\.([0-9]+))?(\\.([0-9]+))?$")
    message(FATAL_ERROR "MSI version: \"${version}\" is not MAJOR[.MINOR[.PATCH[.TWEAK]]]")
  endif()
  set(fields)
  foreach(group 1 3 5 7)
    if("${CMAKE_MATCH_${group}}" STREQUAL "")
      list(APPEND fields 0)
    else()
      list(APPEND fields ${CMAKE_MATCH_${group}})
    endif()
  endforeach()
  list(GET fields 0 major)
  list(GET fields 1 minor)
  list(GET fields 2 patch)
  list(GET fields 3 tweak)
  math(EXPR build "${patch} * 1000 + ${tweak}")
  # (65534: the package also names the version after it, tq_msi_next_version.)
  if(major GREATER 255 OR minor GREATER 255 OR tweak GREATER 999 OR build GREATER 65534)
    message(FATAL_ERROR "MSI version: ${version} does not fit MAJOR.MINOR.(PATCH * 1000 + TWEAK) "
                        "within 255.255.65534 (and TWEAK below 1000)")
  endif()
  set(${out} "${major}.${minor}.${build}" PARENT_SCOPE)
endfunction()

# The MSI version right after MSI_VERSION (MAJOR.MINOR.BUILD): BUILD plus one. An MSI version
# below it is MSI_VERSION or an older one.
function(tq_msi_next_version out msi_version)
  string(REPLACE "." ";" fields "${msi_version}")
  list(GET fields 0 major)
  list(GET fields 1 minor)
  list(GET fields 2 build)
  math(EXPR build "${build} + 1")
  set(${out} "${major}.${minor}.${build}" PARENT_SCOPE)
endfunction()
