# Helpers shared by every module. Sources are globbed so that adding a unit needs no edit
# of a shared list: a unit is a .h/.cpp pair in its module's folder.

# ordvane_module(<target> <folder> [DEPS <targets>...] [SYSTEM_LIBS <libs>...])
function(ordvane_module target folder)
  cmake_parse_arguments(ARG "" "" "DEPS;SYSTEM_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS} ${ARG_SYSTEM_LIBS})
endfunction()

# A test of the server tier; without a configured server its program prints the line
# matched here and skips everything, which CTest then reports as skipped.
function(ordvane_server_test name program)
  add_test(NAME ${name} COMMAND ${program})
  set_tests_properties(${name} PROPERTIES LABELS server ENVIRONMENT "ORDVANE_FB_TIER=server"
                       SKIP_REGULAR_EXPRESSION "server tier: no server configured")
endfunction()

# ordvane_tests(<module> LIBS <targets>...)
# Every tests/<module>/<topic>_test.cpp becomes one executable. The suffix of the file
# names its CTest label:
#   _test.cpp        unit    no database, no window
#   _dbtest.cpp      db      embedded engine; also run again as 'server' against the
#                            loopback server when ORDVANE_FB_HOST is set at test time
#   _servertest.cpp  server  needs the loopback server
#   _uitest.cpp      ui      headless controls
#   _displaytest.cpp display the desktop host on a private X server (skipped without one);
#                            links the desktop host
function(ordvane_tests module)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_*test.cpp)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME_WE)
    set(target ${module}_${name})
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE ordvane_test_support ${ARG_LIBS})
    if(name MATCHES "_dbtest$")
      add_test(NAME ${target} COMMAND ${target})
      set_tests_properties(${target} PROPERTIES LABELS db ENVIRONMENT "ORDVANE_FB_TIER=embedded")
      ordvane_server_test(${target}_server ${target})
    elseif(name MATCHES "_servertest$")
      ordvane_server_test(${target} ${target})
    elseif(name MATCHES "_displaytest$")
      target_link_libraries(${target} PRIVATE ordvane_classlib_ui_qt)
      add_test(NAME ${target} COMMAND ${PROJECT_SOURCE_DIR}/tests/support/with-xvfb.sh $<TARGET_FILE:${target}>)
      set_tests_properties(${target} PROPERTIES LABELS display SKIP_RETURN_CODE 77)
    elseif(name MATCHES "_uitest$")
      add_test(NAME ${target} COMMAND ${target})
      set_tests_properties(${target} PROPERTIES LABELS ui)
    else()
      add_test(NAME ${target} COMMAND ${target})
      set_tests_properties(${target} PROPERTIES LABELS unit)
    endif()
  endforeach()
endfunction()
