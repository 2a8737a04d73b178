# vornix_exports(<target> <list file>)
# The list file holds one export a line: "<ordinal> <name> <argument count>",
# '#' starts a comment. A name may carry a stdcall decoration "@N"; the ELF
# symbol is the name without it, and N must equal 4 x the argument count.
# Generates the linker version script so that the library exports exactly the
# listed names, and adds a test that compares `nm -D --defined-only` with the list.
function(vornix_exports target list_file)
  get_filename_component(list_abs ${list_file} ABSOLUTE)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.version)
  add_custom_command(
    OUTPUT ${script}
    COMMAND ${CMAKE_COMMAND} -DLIST=${list_abs} -DOUT=${script} -P ${CMAKE_SOURCE_DIR}/cmake/make_version_script.cmake
    DEPENDS ${list_abs} ${CMAKE_SOURCE_DIR}/cmake/make_version_script.cmake
    COMMENT "Version script for ${target}"
    VERBATIM)
  add_custom_target(${target}_version_script DEPENDS ${script})
  add_dependencies(${target} ${target}_version_script)
  target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
  if(NOT VORNIX_FUZZ)
    add_test(NAME ${target}.exports
      COMMAND ${CMAKE_SOURCE_DIR}/cmake/check_exports.sh $<TARGET_FILE:${target}> ${list_abs})
  endif()
endfunction()
