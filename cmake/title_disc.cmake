# Builds one part of the title's disc from disc/title with the project's own tools; run as
#   cmake -DPART=forms|data -DSOURCE=disc/title -DOUT=build/disc -DVEL=path/to/vel -DWORK=scratch -P title_disc.cmake
# forms: every forms/*.frm compiled to <name>.vel, its @BARRA_MENU@ and @BARRA_TABS@ replaced by the
#        shared menu bar (forms/barra_menu.inc) and its names; one <name>.vel per line of
#        forms/infograficos.lst from forms/infografico.frm.in, @NAME@ replaced by the name.
# data:  every dados/<path>.lst made an archive at <path>, every dados/<path>.tbl an index at <path>.
# (The media and Global.vel are discgen's, run on the folder itself.)
cmake_minimum_required(VERSION 3.20)

function(run_vel)
  execute_process(COMMAND ${VEL} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE said)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "vel ${ARGN}: ${said}")
  endif()
endfunction()

# The text of a form ready to compile: the menu bar put in.
function(expand_form path out_var)
  file(READ ${path} text)
  string(REPLACE "@BARRA_MENU@" "${menu_bar}" text "${text}")
  string(REPLACE "@BARRA_TABS@" "${menu_tabs}" text "${text}")
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY ${OUT} ${WORK})

if(PART STREQUAL "forms")
  file(READ ${SOURCE}/forms/barra_menu.inc menu_bar)
  # The menu bar's names in its own order, for the Tab order of the forms that use it.
  string(REGEX MATCHALL "\\(\"Name\" \"[A-Za-z]+\"\\)" names "${menu_bar}")
  set(menu_tabs "")
  foreach(n IN LISTS names)
    string(REGEX REPLACE "\\(\"Name\" (\"[A-Za-z]+\")\\)" "\\1" n "${n}")
    string(APPEND menu_tabs " ${n}")
  endforeach()
  string(STRIP "${menu_tabs}" menu_tabs)

  file(GLOB forms ${SOURCE}/forms/*.frm)
  foreach(form IN LISTS forms)
    get_filename_component(name ${form} NAME_WE)
    expand_form(${form} text)
    file(WRITE ${WORK}/${name}.frm "${text}")
    run_vel(compile ${WORK}/${name}.frm ${OUT}/${name}.vel)
  endforeach()

  file(READ ${SOURCE}/forms/infografico.frm.in template)
  file(STRINGS ${SOURCE}/forms/infograficos.lst lines)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" name)
    if(name STREQUAL "" OR name MATCHES "^#")
      continue()
    endif()
    string(REPLACE "@NAME@" "${name}" text "${template}")
    file(WRITE ${WORK}/${name}.frm "${text}")
    run_vel(compile ${WORK}/${name}.frm ${OUT}/${name}.vel)
  endforeach()
elseif(PART STREQUAL "data")
  file(GLOB_RECURSE sources RELATIVE ${SOURCE}/dados ${SOURCE}/dados/*.lst ${SOURCE}/dados/*.tbl)
  foreach(source IN LISTS sources)
    string(REGEX REPLACE "\\.(lst|tbl)$" "" target "${source}")
    get_filename_component(folder ${OUT}/${target} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(REMOVE ${OUT}/${target})
    if(source MATCHES "\\.lst$")
      run_vel(archive create ${OUT}/${target} ${SOURCE}/dados/${source})
    else()
      run_vel(index create ${OUT}/${target} ${SOURCE}/dados/${source})
    endif()
  endforeach()
else()
  message(FATAL_ERROR "PART must be forms or data")
endif()
