# cmake -DMANUAL=<manual/index.html> -DVERSION=<x.y.z> -P CheckManualVersion.cmake
# The manual is plain HTML that opens from the source tree too, so its
# version is written in it; this check keeps it equal to project(VERSION).
file(READ "${MANUAL}" text)
foreach(expected "<title>Zendrel ${VERSION} manual</title>" "Version ${VERSION} ")
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${MANUAL} does not say \"${expected}\"; the project's version is ${VERSION}")
  endif()
endforeach()
message(STATUS "The manual names version ${VERSION}")
