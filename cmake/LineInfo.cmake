# zendrel_add_line_info(<target>): after <target> (an executable) is linked,
# writes its line-information side file beside it (the same path with the
# extension ".RLI"). The native build runs its own freshly built writer; the
# cross build runs the native build's writer from ZENDREL_HOST_TOOLS_DIR, so
# the native build (preset "linux") must be built first.
set(ZENDREL_HOST_TOOLS_DIR "" CACHE PATH "Folder of the native build's tools (zendrel-rli), for the cross build")

function(zendrel_add_line_info target)
  if(CMAKE_CROSSCOMPILING)
    set(tool ${ZENDREL_HOST_TOOLS_DIR}/zendrel-rli)
  else()
    set(tool $<TARGET_FILE:zendrel-rli>)
    add_dependencies(${target} zendrel-rli)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DTOOL=${tool} -DEXECUTABLE=$<TARGET_FILE:${target}>
            -P ${CMAKE_SOURCE_DIR}/cmake/WriteLineInfo.cmake
    COMMENT "Writing the line information of ${target}"
    VERBATIM)
endfunction()
