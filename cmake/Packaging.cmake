# The packages: `cpack` in a build folder makes
#   Windows: zendrel-<version>-<edition>.zip and the setup program
#            zendrel-<version>-<edition>.exe (NSIS, Debian's `nsis` package),
#            where the edition is win64 (x86-64) or win32 (x86);
#   Linux:   zendrel-<version>-linux.zip and zendrel_<version>_<arch>.deb.
# Every package ships stripped executables; each side file was written from
# the unstripped program when it was linked, and stripping moves no code.
#
# The zip and the setup program hold the install of the default component:
# the program with its side file, Templates/ and Manual/ in one folder
# (app/CMakeLists.txt). The .deb is built from the component "deb" alone,
# which a plain install leaves out: the same files under /usr/lib/zendrel/,
# links in /usr/bin, and the man page.

set(CPACK_PACKAGE_NAME zendrel)
set(CPACK_PACKAGE_VENDOR Quelto)
set(CPACK_PACKAGE_CONTACT ${ZENDREL_SUPPORT_ADDRESS})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "locks a web page behind a password or hides its source")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/PackagingPerGenerator.cmake)

if(WIN32)
  set(CPACK_GENERATOR ZIP NSIS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(edition win64)
  else()
    set(edition win32)
  endif()
  set(CPACK_PACKAGE_FILE_NAME zendrel-${PROJECT_VERSION}-${edition})
  set(ZENDREL_EDITION ${edition})
  if(edition STREQUAL win64)
    set(ZENDREL_EDITION_TEXT "64-bit edition (for 64-bit Windows)")
  else()
    set(ZENDREL_EDITION_TEXT "32-bit edition (for 32-bit Windows)")
  endif()

  configure_file(${CMAKE_SOURCE_DIR}/packaging/setup_notes.txt.in ${CMAKE_BINARY_DIR}/packaging/setup_notes.txt
                 @ONLY NEWLINE_STYLE CRLF)
  # The first page of the setup program says what it installs.
  set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_BINARY_DIR}/packaging/setup_notes.txt)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Zendrel)
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Zendrel)
  if(edition STREQUAL win64)
    # The 64-bit setup program (NSIS's amd64-unicode stub and plugins) is a
    # 64-bit process: it installs under the 64-bit Program Files and writes
    # its uninstaller's entry into the 64-bit registry view, where Windows
    # looks for 64-bit programs.
    # The target goes first, before any string of the script is compiled
    # (InstallDir's $PROGRAMFILES64 means the x86 folder in an x86 script):
    # CMake's own script template, with the target put at its top, is found
    # first on the module path. (cpack splits makensis's -X option at the
    # space, so it cannot carry the command.)
    file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in nsis_template)
    # (Below its first line, a comment that follows the byte-order mark.)
    string(FIND "${nsis_template}" "\n" first_line_end)
    math(EXPR first_line_end "${first_line_end} + 1")
    string(SUBSTRING "${nsis_template}" 0 ${first_line_end} first_line)
    string(SUBSTRING "${nsis_template}" ${first_line_end} -1 rest)
    set(nsis_template "${first_line}Target amd64-unicode\n${rest}")
    file(WRITE ${CMAKE_BINARY_DIR}/packaging/nsis/NSIS.template.in "${nsis_template}")
    list(PREPEND CMAKE_MODULE_PATH ${CMAKE_BINARY_DIR}/packaging/nsis)
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  else()
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
  endif()
  # The name of the Start-menu folder too.
  set(CPACK_NSIS_PACKAGE_NAME Zendrel)
  set(CPACK_NSIS_DISPLAY_NAME "Quelto Zendrel ${PROJECT_VERSION}")
  set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/resources/pictures/zendrel.ico)
  set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/resources/pictures/zendrel.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME zendrel.exe)
  set(CPACK_NSIS_MUI_WELCOMEFINISHPAGE_BITMAP ${CMAKE_SOURCE_DIR}/resources/pictures/setup_welcome.bmp)
  set(CPACK_NSIS_MUI_UNWELCOMEFINISHPAGE_BITMAP ${CMAKE_SOURCE_DIR}/resources/pictures/setup_welcome.bmp)
  set(CPACK_NSIS_MUI_HEADERIMAGE ${CMAKE_SOURCE_DIR}/resources/pictures/setup_header.bmp)
  set(CPACK_NSIS_MUI_FINISHPAGE_RUN zendrel.exe)
  set(CPACK_NSIS_CONTACT ${ZENDREL_SUPPORT_ADDRESS})
  set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
  # The Start-menu folder: the program and its manual.
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
  set(CPACK_PACKAGE_EXECUTABLES zendrel Zendrel)
  set(CPACK_NSIS_MENU_LINKS "Manual\\\\index.html" "Zendrel Manual")
else()
  set(CPACK_GENERATOR ZIP DEB)
  set(CPACK_PACKAGE_FILE_NAME zendrel-${PROJECT_VERSION}-linux)

  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quelto <${ZENDREL_SUPPORT_ADDRESS}>")
  set(CPACK_DEBIAN_PACKAGE_SECTION web)
  # Below the summary line: the long description.
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
         "Zendrel keeps a byte copy of a page in a backup file, copies a template\n"
         "over the page and writes the page, encoded with a password, into the\n"
         "template's start page, whose script decodes it in the reader's browser.")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")

  set(libdir lib/zendrel)
  set(component COMPONENT deb EXCLUDE_FROM_ALL)
  set(programs zendrel)
  if(TARGET zendrel-unlock)
    list(APPEND programs zendrel-unlock)
  endif()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging/bin)
  foreach(program ${programs})
    install(TARGETS ${program} RUNTIME DESTINATION ${libdir} ${component})
    install(FILES $<TARGET_FILE_DIR:${program}>/${program}.RLI DESTINATION ${libdir} OPTIONAL ${component})
    # On PATH through a link; the program finds its templates beside its
    # real path (/proc/self/exe).
    file(CREATE_LINK ../${libdir}/${program} ${CMAKE_BINARY_DIR}/packaging/bin/${program} SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/bin/${program} DESTINATION bin ${component})
  endforeach()
  # The templates as the build made them, each with its bundled decoder.
  install(DIRECTORY ${ZENDREL_TEMPLATES_DIR}/ DESTINATION ${libdir}/Templates ${component})
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/manual/ DESTINATION ${libdir}/Manual ${component})

  # The man page, compressed as Debian keeps them.
  configure_file(${CMAKE_SOURCE_DIR}/packaging/zendrel.1.in ${CMAKE_BINARY_DIR}/packaging/zendrel.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/zendrel.1.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/zendrel.1
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/zendrel.1
    COMMENT "Compressing the man page"
    VERBATIM)
  add_custom_target(zendrel_man_page ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/zendrel.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/zendrel.1.gz DESTINATION share/man/man1 ${component})
endif()

include(CPack)
