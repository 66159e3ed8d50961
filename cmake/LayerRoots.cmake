# zendrel_layer_root(<target> <folder>): gives <target> the include root of
# the layer in <folder> (platform, engine, app, tests, ...): a folder in the
# build tree, layers/<folder>, holding one link named <folder> to the source
# folder. Includes stay spelled from the repository root ("engine/x.h"), but
# no target sees the root itself: a library exposes its own root PUBLIC, so a
# target sees its own layer and the layers it links (those below it), and an
# include of a layer above fails to compile, whatever its spelling.
# scripts/check-layers.sh catches what a compiler cannot (a climbing path,
# an include through a macro, a system header outside the system folders).
function(zendrel_layer_root target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${root})
  elseif(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
