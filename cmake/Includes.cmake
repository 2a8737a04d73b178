# Include paths per target. No folder of the tree is on a tree-wide
# include path; a target sees the source folders it is given here and what
# the targets it links give their users. Include spellings stay rooted at the
# source root ("fennic/fennic_api.h"), so each given folder (or single file)
# is a link in a folder of its own in the build tree:
#   <build>/include-roots/<folder with '-' for '/'>/<folder> -> <source>/<folder>

set(VORNIX_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include-roots)

# The include folder that shows <folder> (a path from the source root) and
# nothing else, made (or pointed at this source tree again) at configure time.
function(vornix_include_root_of folder out)
  string(REPLACE "/" "-" key ${folder})
  set(root ${VORNIX_INCLUDE_ROOTS}/${key})
  set(link ${root}/${folder})
  set(target ${CMAKE_SOURCE_DIR}/${folder})
  set(current "")
  if(IS_SYMLINK ${link})
    file(READ_SYMLINK ${link} current)
  endif()
  if(NOT "${current}" STREQUAL "${target}")
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(REMOVE ${link})
    file(CREATE_LINK ${target} ${link} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# vornix_include_roots(<target> <PUBLIC|PRIVATE|INTERFACE> <folder>...)
# Lets <target> (and, unless PRIVATE, its users) include from the folders.
function(vornix_include_roots target scope)
  foreach(folder ${ARGN})
    vornix_include_root_of(${folder} root)
    target_include_directories(${target} ${scope} ${root})
  endforeach()
endfunction()

# vornix_directory_include_roots(<folder>...)
# The same for every target of the calling folder and the folders below it,
# for parts whose targets all include from their own folder (tools, toolkit).
function(vornix_directory_include_roots)
  foreach(folder ${ARGN})
    vornix_include_root_of(${folder} root)
    set_property(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} APPEND PROPERTY INCLUDE_DIRECTORIES ${root})
  endforeach()
endfunction()

# vornix_include_check(<name> <target> <source> [FAILS_ON <header>])
# A CTest test that compiles <source> with the include path <target> is built
# with: it builds, or, with FAILS_ON, fails exactly on <header> not being found.
function(vornix_include_check name target source)
  cmake_parse_arguments(C "" "FAILS_ON" "" ${ARGN})
  add_test(NAME ${name}
           COMMAND ${CMAKE_CXX_COMPILER} -std=c++20 -fsyntax-only
                   "-I$<JOIN:$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>,;-I>" ${source}
           COMMAND_EXPAND_LISTS)
  if(C_FAILS_ON)
    string(REPLACE "." "\\." header ${C_FAILS_ON})
    set_tests_properties(${name} PROPERTIES PASS_REGULAR_EXPRESSION "${header}.*(No such file|file not found)")
  endif()
endfunction()
