# zkt_seam_constant_list(OUTPUT HEADER...): one line "ZKT_SEAM_CONSTANT(NAME)" for each typed
# constant ("constexpr TYPE NAME = ...") of the headers, for the win32 backend's compile-time
# check against the Windows SDK. The list is remade when a header changes.
function(zkt_seam_constant_list output)
  # Values that the SDK spells as pointers; their integer values are checked elsewhere or not
  # at all.
  set(sdk_pointers HWND_BROADCAST)
  set(text "")
  foreach(header ${ARGN})
    file(STRINGS ${header} lines REGEX "^constexpr [A-Za-z:]+ [A-Z][A-Z0-9_]* = ")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^constexpr [A-Za-z:]+ ([A-Z][A-Z0-9_]*) = .*" "\\1" name "${line}")
      if(NOT name IN_LIST sdk_pointers)
        string(APPEND text "ZKT_SEAM_CONSTANT(${name})\n")
      endif()
    endforeach()
  endforeach()
  file(WRITE ${output}.tmp "${text}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${output}.tmp ${output})
  file(REMOVE ${output}.tmp)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ARGN})
endfunction()
