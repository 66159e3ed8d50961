# The decoder's format constants, generated from the C++ headers that are
# their one home (engine/format/strong/strong_format.h, engine/template/payload_area.h,
# platform/crypto.h) into decoder/src/format_constants.js.
#   cmake -DSOURCE_DIR=<repository> -DMODE=WRITE -P cmake/FormatConstants.cmake
# writes it; MODE=CHECK fails when the committed module differs from what
# the headers give (the CTest step format_constants).
set(_names
  kStrongFormatName STRONG_FORMAT_1
  kStrongFormat2Name STRONG_FORMAT_2
  kStrongIterations ITERATIONS
  kStrongMaxIterations MAX_ITERATIONS
  kStrongSaltSize SALT_SIZE
  kStrongNoncePrefixSize NONCE_PREFIX_SIZE
  kStrongChunkSize CHUNK_SIZE
  kStrongLineLength LINE_LENGTH
  kStrongHtmlKind HTML_KIND
  kStrongTextKind TEXT_KIND
  kStrongHeaderLiterals HEADER_LITERALS_1
  kStrong2HeaderLiterals HEADER_LITERALS_2
  kStrongPageKeyInfo PAGE_KEY_INFO
  kStrongFormat3Name STRONG_FORMAT_3
  kStrong3HeaderLiterals HEADER_LITERALS_3
  kStrongMaxSlots MAX_SLOTS
  kStrongSlotIdSize SLOT_ID_SIZE
  kStrongWrapSize WRAP_SIZE
  kStrongSlotSize SLOT_SIZE
  kStrongReaderWrapLabel READER_WRAP_LABEL
  kStrongContentWrapLabel CONTENT_WRAP_LABEL
  kGcmNonceSize NONCE_SIZE
  kGcmTagSize TAG_SIZE
  kPageBeginMarker BEGIN_MARKER
  kPageEndMarker END_MARKER
  kBlockElementCut ELEMENT_CUT)

set(_text "")
foreach(_header engine/format/strong/strong_format.h engine/template/payload_area.h platform/crypto.h)
  file(READ ${SOURCE_DIR}/${_header} _contents)
  string(APPEND _text "${_contents}")
endforeach()

set(_module "// Generated from the C++ format headers by cmake/FormatConstants.cmake: do not edit.\n")
string(APPEND _module "// Regenerate: cmake -DSOURCE_DIR=. -DMODE=WRITE -P cmake/FormatConstants.cmake\n\n")
list(LENGTH _names _count)
math(EXPR _last "${_count} - 1")
foreach(_i RANGE 0 ${_last} 2)
  math(EXPR _j "${_i} + 1")
  list(GET _names ${_i} _cpp)
  list(GET _names ${_j} _js)
  if(_text MATCHES "inline constexpr [a-z:_0-9]+ ${_cpp}(\\[\\])? = ([^;]+);")
    set(_value "${CMAKE_MATCH_2}")
  else()
    message(FATAL_ERROR "${_cpp} is not defined in the format headers")
  endif()
  if(_value MATCHES "^\"([A-Za-z0-9 /-]*)\"$")
    string(APPEND _module "export const ${_js} = '${CMAKE_MATCH_1}';\n")
  elseif(_value MATCHES "^\"([^'\\\\]|\\\\\")*\"$")
    # Markup such as the cut between the holder's elements: its escaped
    # double quotes become plain ones inside a single-quoted string.
    string(REGEX REPLACE "^\"(.*)\"$" "\\1" _value "${_value}")
    string(REPLACE "\\\"" "\"" _value "${_value}")
    # "<\/" is "</" to a script, and ends no script element that holds it.
    string(REPLACE "</" "<\\/" _value "${_value}")
    string(APPEND _module "export const ${_js} = '${_value}';\n")
  elseif(_value MATCHES "^[0-9]+$")
    string(APPEND _module "export const ${_js} = ${_value};\n")
  else()
    message(FATAL_ERROR "${_cpp} has a value the generator does not know: ${_value}")
  endif()
endforeach()

set(_target ${SOURCE_DIR}/decoder/src/format_constants.js)
if(MODE STREQUAL "WRITE")
  file(WRITE ${_target} "${_module}")
elseif(MODE STREQUAL "CHECK")
  file(READ ${_target} _committed)
  if(NOT _committed STREQUAL _module)
    message(FATAL_ERROR "decoder/src/format_constants.js differs from the C++ format headers; regenerate it:\n"
                        "cmake -DSOURCE_DIR=. -DMODE=WRITE -P cmake/FormatConstants.cmake\nExpected:\n${_module}")
  endif()
else()
  message(FATAL_ERROR "MODE is WRITE or CHECK")
endif()
