# Helpers shared by every module. Sources are globbed so that adding a unit needs no edit
# of a shared list: a unit is a .h/.cpp pair in its module's folder.

set(ORDVANE_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

# Layers. The headless libraries run in a service or a test with no display: none of them
# may include a header of the window layer or link it (or what only it needs, such as
# FreeType), directly or through another library. A module is placed by its folder, so a
# new module in one of these folders is held to the rule without further edits.
set(ORDVANE_HEADLESS_FOLDERS classlib/core classlib/db dbclient datasets import)
set(ORDVANE_WINDOW_FOLDERS classlib/ui gridbase grid gridoutput)

option(ORDVANE_UNITY_LIBRARIES "Compile each library eight files to a unit" ON)

# A library compiles its files eight to a unit (a unity build): most of a library unit's
# compile time is parsing the headers it shares with the other units of its library (the
# grid's class header alone is two thirds of a grid unit's), and a build then parses them
# once per eight files. Names private to a file (in its unnamed namespace) must therefore
# differ from those of every other file of its library. A file whose start registers or
# sets something (a file-scope `const bool ... =` run at start) stays a unit of its own:
# in a batch it would be linked, and would start, in every program that needs any of its
# batch's files, where alone it is linked only where it is needed. GCC's warning about a
# class whose member has a type of an unnamed namespace is meant for headers, and the
# unity source makes every included unit look like one.
function(ordvane_library_units target)
  if(NOT ORDVANE_UNITY_LIBRARIES)
    return()
  endif()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  endif()
  get_target_property(sources ${target} SOURCES)
  foreach(source ${sources})
    file(STRINGS ${source} starts REGEX "^(extern \"C\" )?(\\[\\[maybe_unused\\]\\] )?const bool [A-Za-z_0-9]+ =")
    if(starts)
      set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()

# ordvane_module(<target> <folder> [DEPS <targets>...] [SYSTEM_LIBS <libs>...]
#                [DIALOGS <dialogs target>])
# DIALOGS names the library of the module's windows (its dialogs), whose units live in the
# folder's dialogs/ subfolder: they build into that library, which links <target> and the
# window layer. A headless module so keeps its dialogs beside it, the tree shows which
# units may reach the window layer, and a program without a display links neither them
# nor the window layer.
function(ordvane_module target folder)
  cmake_parse_arguments(ARG "" "DIALOGS" "DEPS;SYSTEM_LIBS" ${ARGN})
  get_filename_component(folderPath ${folder} ABSOLUTE)
  file(GLOB sources CONFIGURE_DEPENDS ${folderPath}/*.cpp)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS} ${ARG_SYSTEM_LIBS})
  ordvane_library_units(${target})

  get_filename_component(path ${folder} ABSOLUTE)
  file(RELATIVE_PATH path ${PROJECT_SOURCE_DIR} ${path})
  set_target_properties(${target} PROPERTIES ORDVANE_FOLDER ${path})
  if(path IN_LIST ORDVANE_WINDOW_FOLDERS)
    set_property(GLOBAL APPEND PROPERTY ORDVANE_WINDOW_ONLY_LIBS ${target} ${ARG_SYSTEM_LIBS})
  elseif(path IN_LIST ORDVANE_HEADLESS_FOLDERS)
    ordvane_check_headless_includes(${target} ${folder})
    # Links may still be added after this call: the graph is checked once all is known.
    # (A deferred call reads its arguments when it runs, hence the name spelled out now.)
    cmake_language(EVAL CODE
      "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL ordvane_check_headless_links [[${target}]])")
  endif()
  file(GLOB dialogSources CONFIGURE_DEPENDS ${folderPath}/dialogs/*.cpp)
  if(dialogSources AND NOT ARG_DIALOGS)
    message(FATAL_ERROR "${target}: the units in dialogs/ need a library: DIALOGS <target>")
  endif()
  if(ARG_DIALOGS AND TARGET ordvane_classlib_ui)
    add_library(${ARG_DIALOGS} STATIC ${dialogSources})
    target_link_libraries(${ARG_DIALOGS} PUBLIC ${target} ordvane_classlib_ui)
    set_property(GLOBAL APPEND PROPERTY ORDVANE_WINDOW_ONLY_LIBS ${ARG_DIALOGS})
  endif()
endfunction()

# Before any unit of a headless library compiles, its sources are searched for an include
# of the window layer or of a dialogs/ folder; the search runs again whenever one of them
# changes.
function(ordvane_check_headless_includes target folder)
  get_filename_component(folder ${folder} ABSOLUTE)
  file(GLOB files CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DMODULE=${target} -DFOLDER=${folder}
            "-DFORBIDDEN=${ORDVANE_WINDOW_FOLDERS}" -DSTAMP=${stamp}
            -P ${ORDVANE_CMAKE_DIR}/CheckLayerIncludes.cmake
    DEPENDS ${files} ${ORDVANE_CMAKE_DIR}/CheckLayerIncludes.cmake
    COMMENT "Checking that ${target} includes nothing of the window layer"
    VERBATIM)
  add_custom_target(${target}_layer_check DEPENDS ${stamp})
  add_dependencies(${target} ${target}_layer_check)
endfunction()

# Walks everything the target links, through interface libraries and generator
# expressions, and stops the configuration at the first window-layer library.
function(ordvane_check_headless_links target)
  get_property(windowOnly GLOBAL PROPERTY ORDVANE_WINDOW_ONLY_LIBS)
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${current})
    if(current IN_LIST windowOnly)
      message(FATAL_ERROR "${target} is headless but links ${current}, which belongs to the window layer")
    endif()
    if(NOT TARGET ${current})
      continue()
    endif()
    get_target_property(type ${current} TYPE)
    set(links "")
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      if(NOT (type STREQUAL "INTERFACE_LIBRARY" AND property STREQUAL "LINK_LIBRARIES"))
        get_target_property(values ${current} ${property})
        if(values)
          list(APPEND links ${values})
        endif()
      endif()
    endforeach()
    foreach(link ${links})
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      list(APPEND pending ${link})
    endforeach()
  endwhile()
endfunction()

# A test of the server tier; without a configured server its program prints the line
# matched here and skips everything, which CTest then reports as skipped.
function(ordvane_server_test name)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS server ENVIRONMENT "ORDVANE_FB_TIER=server"
                       SKIP_REGULAR_EXPRESSION "server tier: no server configured")
endfunction()

# ordvane_tests(<module> LIBS <targets>... [APART <name>...])
# Every tests/<module>/<topic>_<kind>.cpp is one CTest entry, <module>_<topic>_<kind>. The
# files of one module and kind build into one program, <module>_<kind>s (classlib_tests,
# dbclient_dbtests, ...), and each entry runs the tests of its own file only
# (--ordvane_source, see tests/support/TestMain.cpp): a module so links a handful of
# programs instead of one per file, and a new file needs no edit. A file that includes a
# header of a dialogs/ folder (which installs the dialog in the whole process) or is
# named in APART (<topic>_<kind>; a test that checks its program's name) builds into a
# program of its own, <module>_<topic>_<kind>.
# The kind names the label:
#   _test.cpp        unit    no database, no window
#   _dbtest.cpp      db      embedded engine; also run again as 'server' against the
#                            loopback server when ORDVANE_FB_HOST is set at test time
#   _servertest.cpp  server  needs the loopback server
#   _uitest.cpp      ui      headless controls
#   _displaytest.cpp display the desktop host on a private X server (skipped without one);
#                            links the desktop host
# Under ORDVANE_TSAN only the tests named in ORDVANE_THREADED_TESTS are built; every
# test named there has the label 'threaded' as well, in every configuration.
function(ordvane_tests module)
  cmake_parse_arguments(ARG "" "" "LIBS;APART" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_*test.cpp)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME_WE)
    set(test ${module}_${name})
    if(ORDVANE_TSAN AND NOT test IN_LIST ORDVANE_THREADED_TESTS)
      continue()
    endif()
    string(REGEX MATCH "[a-z]*test$" kind ${name})
    file(STRINGS ${source} dialogIncludes REGEX "^#include \"[a-z]+/dialogs/")
    if(name IN_LIST ARG_APART OR dialogIncludes)
      set(program ${test})
      set(selection "")
    else()
      set(program ${module}_${kind}s)
      set(selection --ordvane_source=${name}.cpp)
    endif()
    if(NOT TARGET ${program})
      ordvane_test_program(${program} ${kind} ${ARG_LIBS})
    endif()
    target_sources(${program} PRIVATE ${source})
    set(command ${program} ${selection})
    if(kind STREQUAL "dbtest")
      add_test(NAME ${test} COMMAND ${command})
      set_tests_properties(${test} PROPERTIES LABELS db ENVIRONMENT "ORDVANE_FB_TIER=embedded")
      ordvane_server_test(${test}_server ${command})
      set(entries ${test} ${test}_server)
    elseif(kind STREQUAL "servertest")
      ordvane_server_test(${test} ${command})
      set(entries ${test})
    else()
      if(kind STREQUAL "displaytest")
        add_test(NAME ${test} COMMAND ${PROJECT_SOURCE_DIR}/tests/support/with-xvfb.sh $<TARGET_FILE:${program}> ${selection})
        set_tests_properties(${test} PROPERTIES LABELS display SKIP_RETURN_CODE 77)
      else()
        add_test(NAME ${test} COMMAND ${command})
        set_tests_properties(${test} PROPERTIES LABELS unit)
        if(kind STREQUAL "uitest")
          set_tests_properties(${test} PROPERTIES LABELS ui)
        endif()
      endif()
      set(entries ${test})
    endif()
    if(test IN_LIST ORDVANE_LONG_TESTS)
      set_tests_properties(${entries} PROPERTIES COST 100)
    endif()
    if(test IN_LIST ORDVANE_THREADED_TESTS)
      set_property(TEST ${entries} APPEND PROPERTY LABELS threaded)
      set_property(GLOBAL APPEND PROPERTY ORDVANE_THREADED_PROGRAMS ${program})
    endif()
  endforeach()
endfunction()

# The test framework and the standard headers every test uses: the test programs' one
# precompiled header.
set(ORDVANE_TEST_PCH_HEADERS <gtest/gtest.h> <algorithm> <filesystem> <functional> <map> <memory> <optional>
    <string> <vector>)

# How the tests' own code compiles: the sanitizers are there for the libraries' code, and
# optimising the tests' own code only adds compile time. The undefined-behaviour checks,
# which nearly double the time GCC takes on a test file at -O0 (a check at nearly every
# reference and arithmetic step of the test bodies), are left to the libraries; the
# address checks stay, since a test reads what the libraries hand it, and the thread
# sanitizer must see every access to tell a race.
function(ordvane_test_code_options target)
  if(ORDVANE_SANITIZE OR ORDVANE_TSAN)
    target_compile_options(${target} PRIVATE -O0)
  endif()
  if(ORDVANE_SANITIZE)
    target_compile_options(${target} PRIVATE -fno-sanitize=undefined)
  endif()
endfunction()

# The precompiled header, compiled once for the whole build (GCC takes some nine CPU
# seconds for it under the sanitizers) by an object library of an empty unit, with the
# flags of the test programs' code, and reused by the test programs. The programs that
# link the desktop host compile position-independent code, which GCC does not mix with a
# header compiled without: they share a second one, compiled so.
function(ordvane_test_pch_target)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/ordvane_test_pch.cpp)
  if(NOT EXISTS ${source})
    file(WRITE ${source} "// The unit that compiles the test programs' precompiled header.\n")
  endif()
  set(targets ordvane_test_pch)
  if(TARGET ordvane_classlib_ui_qt)
    list(APPEND targets ordvane_test_pch_pic)
  endif()
  foreach(target ${targets})
    add_library(${target} OBJECT ${source})
    target_link_libraries(${target} PRIVATE GTest::gtest)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
    ordvane_test_code_options(${target})
    target_precompile_headers(${target} PRIVATE ${ORDVANE_TEST_PCH_HEADERS})
  endforeach()
  if(TARGET ordvane_test_pch_pic)
    set_target_properties(ordvane_test_pch_pic PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endif()
endfunction()

# A test program of one kind; its sources are added by the caller.
function(ordvane_test_program program kind)
  add_executable(${program})
  target_link_libraries(${program} PRIVATE ordvane_test_support ${ARGN})
  # A test program compiles its files eight to a unit, and parses the standard library and
  # the test framework once per unit: most of a cold build is the test programs' compile
  # time. Names private to a test file must therefore differ from those of the other files
  # of its program.
  set_target_properties(${program} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  ordvane_test_code_options(${program})
  if(kind STREQUAL "displaytest")
    target_link_libraries(${program} PRIVATE ordvane_classlib_ui_qt)
    target_precompile_headers(${program} REUSE_FROM ordvane_test_pch_pic)
  else()
    target_precompile_headers(${program} REUSE_FROM ordvane_test_pch)
  endif()
endfunction()
