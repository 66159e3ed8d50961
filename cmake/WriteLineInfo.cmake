# Runs the line-information writer TOOL on EXECUTABLE (see LineInfo.cmake).
if(NOT EXISTS "${TOOL}")
  message(FATAL_ERROR
    "The line-information writer ${TOOL} is missing. The Windows build uses the native build's "
    "tool: build it first with `cmake --preset linux && cmake --build --preset linux --target zendrel-rli`, "
    "or point ZENDREL_HOST_TOOLS_DIR at a folder that holds zendrel-rli.")
endif()
execute_process(COMMAND "${TOOL}" "${EXECUTABLE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Writing the line information of ${EXECUTABLE} failed (${result})")
endif()
