# vornix_sources(<var> <folder> [EXCLUDE <regex>])
# The .cpp files under <folder> (recursively, checked again at every build),
# less those matching EXCLUDE. A folder without any is a configuration
# error: a part, library or layer is never left out of the build silently.
function(vornix_sources var folder)
  cmake_parse_arguments(S "" "EXCLUDE" "" ${ARGN})
  file(GLOB_RECURSE found CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(S_EXCLUDE)
    list(FILTER found EXCLUDE REGEX "${S_EXCLUDE}")
  endif()
  if(NOT found)
    message(FATAL_ERROR "${folder} holds no sources")
  endif()
  set(${var} ${found} PARENT_SCOPE)
endfunction()
