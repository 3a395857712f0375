# Include roots: how the build holds every layer to the arrows of the design. Sources include by
# folder ("link/TimedTransfer.h"), and no folder of the source tree is on any include path.
# Instead each library gets a folder of its own in the build tree that holds nothing but links
# to its own sources (build/include-roots/tq_link/link -> <source>/link), and that folder is its
# public include path. A target therefore finds the headers of exactly the libraries it links,
# itself included: an include against the layering fails to compile ("link/PrinterLink.h: No
# such file or directory"). Links are made at configure time on the build machine, which is
# Linux for the native build and the MinGW-w64 cross build alike.

# Makes the include root NAME, which holds links to the PATHS given relative to the source tree
# (a folder such as "link", or a single file such as "platform/Platform.h", so that a folder's
# headers can be given without its subfolders), and stores its path in the variable OUTPUT.
# A path that was linked before and is no longer named goes away with the rest of the root.
function(tq_make_include_root name output)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${name})
  # Removes the links themselves, never what they point to.
  file(REMOVE_RECURSE ${root})
  foreach(path ${ARGN})
    if(NOT EXISTS ${CMAKE_SOURCE_DIR}/${path})
      message(FATAL_ERROR "include root ${name}: no ${path} in the source tree")
    endif()
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
  endforeach()
  set(${output} ${root} PARENT_SCOPE)
endfunction()

# Gives TARGET an include root of its own with the PATHS given (as above), on the include path of
# the target and of every target that links it.
function(tq_include_root target)
  tq_make_include_root(${target} root ${ARGN})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# The headers directly in FOLDER of the source tree, without those of its subfolders, as paths
# relative to the source tree, into the variable OUTPUT. A header added there later makes CMake
# look again, so that it gets its link.
function(tq_headers_of output folder)
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  set(${output} ${headers} PARENT_SCOPE)
endfunction()
