# Build-wide settings and the helpers every component uses:
#   velta_warnings(target)                         our warning set
#   velta_add_gtest(name SOURCES ... LIBS ... LABELS ... [PROPERTIES ...])
#   velta_peer_path(consumer MACRO peer...)        the peers' built files, from the consumer's
#                                                  folder, in a definition
#   velta_test_table(VAR File.cpp label... ...)   a folder's test files with their labels
#   velta_add_fuzzer(name SOURCES ... LIBS ...)   libFuzzer target, seeds in fuzz/corpus/<name>
#   velta_add_bench(name SOURCES ... LIBS ...)    benchmark program, run by scripts/bench
#   velta_add_component_folders(folder ...)        fuzz/ and bench/: one sub-folder a component
#   velta_headless_check(library)                  fails the build when the library needs more
#                                                  than what it links (e.g. a widget call)
#   velta_headless_tests(target ...)               fails the configuration when a test of a
#                                                  headless library links a widget library
#   velta_refuse_links(target REGEX WHAT)          fails the configuration when the target
#                                                  links a library whose name matches

set(VELTA_BUILD_TESTS ON)

if(VELTA_FUZZ OR NOT VELTA_TESTS)
  set(VELTA_BUILD_TESTS OFF)
endif()

set(VELTA_WARNING_FLAGS -Wall -Wextra -Wpedantic)
if(VELTA_WERROR)
  list(APPEND VELTA_WARNING_FLAGS -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # Known false positives of g++ 12 inside libstdc++; kept visible as warnings.
    list(APPEND VELTA_WARNING_FLAGS -Wno-error=restrict -Wno-error=stringop-overflow
                                    -Wno-error=array-bounds)
  endif()
endif()

function(velta_warnings target)
  if(NOT TARGET ${target})  # e.g. a fuzz target outside the fuzz build
    return()
  endif()
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${VELTA_WARNING_FLAGS}>)
endfunction()

if(VELTA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VELTA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VELTA_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  # Everything is instrumented for coverage; only the fuzz targets get libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

include(GoogleTest OPTIONAL)

# The library's fixed waits (pauses, guard times, modem reply windows) run at this fraction of
# their length in the test programs and the programs they start that link the test hooks
# (velta_link_test_hooks); the installed program keeps 1, whatever its environment holds.
# -DVELTA_TEST_TIME_SCALE=1 runs the tests with the real lengths.
set(VELTA_TEST_TIME_SCALE 0.1 CACHE STRING "fraction of the link library's fixed waits in tests")

# Every test program declares its labels where it is added (ctest -L <label>):
#   unit   no peer: neither the clock simulator nor a server, a modem or a child program
#   sim    the clock simulator or another real peer (FTP server, in.rshd, pseudo-terminal
#          clocks, listeners, a child program)
#   slow   tests of about 10 s or more: a simulated modem dialled, an FTP server, in.rshd or a
#          silent listener as the peer (their time-outs and timers are real), a kill -9 trial
#   kill9  the kill -9 trials
# Exactly one of unit and sim; slow and kill9 may follow.
function(velta_check_labels name)
  set(kinds ${ARGN})
  list(FILTER kinds INCLUDE REGEX "^(unit|sim)$")
  list(LENGTH kinds count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "test ${name}: LABELS must name exactly one of unit and sim (got '${ARGN}')")
  endif()
  foreach(l ${ARGN})
    if(NOT l MATCHES "^(unit|sim|slow|kill9)$")
      message(FATAL_ERROR "test ${name}: unknown label '${l}'")
    endif()
  endforeach()
endfunction()

# velta_test_table(VAR File.cpp label... File.cpp label... ...): a folder's test programs, one a
# file, each followed by its labels. VAR gets the files, VAR_<file name>_LABELS each one's labels.
macro(velta_test_table var)
  set(${var})
  set(_velta_current "")
  foreach(_velta_item ${ARGN})
    if(_velta_item MATCHES "[.]cpp$")
      list(APPEND ${var} ${_velta_item})
      get_filename_component(_velta_current "${_velta_item}" NAME_WE)
      set(${var}_${_velta_current}_LABELS)
    elseif(_velta_current STREQUAL "")
      message(FATAL_ERROR "velta_test_table(${var}): label '${_velta_item}' before any file")
    else()
      list(APPEND ${var}_${_velta_current}_LABELS ${_velta_item})
    endif()
  endforeach()
endmacro()

# The test hooks: each library's seam is a null pointer that only a test-hooks library (its
# testing/ folder) fills. clocklink's, which applies CTest's wait fraction before main(), every
# test program links, and so does a program the tests start; the others (basekit_testhooks,
# veltacollect_testhooks, veltadialogs_testhooks, veltaadminwindows_testhooks) the tests that
# use them. An installed program links none (mainwindow_VeltaLinkTest reads velta's symbols).
function(velta_link_test_hooks target)
  if(TARGET clocklink_testhooks)
    target_link_libraries(${target} PRIVATE clocklink_testhooks)
  endif()
endfunction()

# velta_peer_path(consumer MACRO peer...): MACRO, in the consumer's code, names the peers' built
# files by their paths from the consumer's own folder, joined by ':' when there are several;
# clocklink/testing/PeerPath.h turns each into a path from the running program's folder. An
# absolute build path compiled in would make every fresh clone compile the file anew.
function(velta_peer_path consumer macro)
  set(paths)
  foreach(peer ${ARGN})
    list(APPEND paths
         "$<PATH:RELATIVE_PATH,$<TARGET_FILE:${peer}>,$<TARGET_FILE_DIR:${consumer}>>")
  endforeach()
  list(JOIN paths ":" value)
  target_compile_definitions(${consumer} PRIVATE "${macro}=\"${value}\"")
  # The helper's folder, for the programs that do not link the test hooks (benchmarks).
  target_include_directories(${consumer} PRIVATE "${PROJECT_SOURCE_DIR}/clocklink/testing/include")
  add_dependencies(${consumer} ${ARGN})
endfunction()

function(velta_add_gtest name)
  # LOCK with LOCK_TESTS: only the tests whose names match the regular expression take the
  # resource lock, so the program's other tests need not wait their turn.
  cmake_parse_arguments(T "" "LOCK;LOCK_TESTS" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  if(NOT VELTA_BUILD_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  velta_link_test_hooks(${name})
  velta_warnings(${name})
  velta_check_labels(${name} ${T_LABELS})
  set(labels ${T_LABELS})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 ${T_PROPERTIES})
  # The properties that hold lists (labels, environment) are set on the discovered tests by a
  # file ctest reads after the discovery: passed through the discovery they lose their ";".
  set(env "QT_QPA_PLATFORM=offscreen" "VELTA_TEST_TIME_SCALE=${VELTA_TEST_TIME_SCALE}")
  set(list_props "${CMAKE_CURRENT_BINARY_DIR}/${name}_list_properties.cmake")
  # ctest starts the costliest tests first; a clean build has no timings of its own, so the
  # slow programs' tests, and before them those that wait for a lock, start ahead of the rest
  # and the run does not end on a long test started last.
  set(cost 0)
  if("RESOURCE_LOCK" IN_LIST T_PROPERTIES)
    set(cost 100)
  elseif("slow" IN_LIST labels)
    set(cost 10)
  endif()
  set(lock_some "")
  if(T_LOCK)
    set(lock_some
        "  foreach(t IN LISTS ${name}_TESTS)\n"
        "    if(t MATCHES \"${T_LOCK_TESTS}\")\n"
        "      set_tests_properties(\"\${t}\" PROPERTIES RESOURCE_LOCK ${T_LOCK} COST 100)\n"
        "    endif()\n"
        "  endforeach()\n")
  endif()
  file(WRITE "${list_props}"
       "if(${name}_TESTS)\n"
       "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${labels}\"\n"
       "                      ENVIRONMENT \"${env}\" COST ${cost})\n"
       ${lock_some}
       "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${list_props}")
endfunction()

set(VELTA_FUZZ_CORPUS_ROOT "${CMAKE_SOURCE_DIR}/fuzz/corpus")
# velta_fuzzers: the fuzz targets and what they link, without the programs and windows the
# fuzz build would otherwise compile a third time with its instrumentation and never run.
if(VELTA_FUZZ)
  add_custom_target(velta_fuzzers)
endif()
function(velta_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT VELTA_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  velta_warnings(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/fuzzers")
  add_dependencies(velta_fuzzers ${name})
  if(NOT EXISTS "${VELTA_FUZZ_CORPUS_ROOT}/${name}")
    message(WARNING "fuzz target ${name} has no seed corpus in fuzz/corpus/${name}")
  endif()
endfunction()

function(velta_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(VELTA_FUZZ)
    return()
  endif()
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} Threads::Threads)
  velta_warnings(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/benches")
endfunction()

# fuzz/ and bench/ keep one sub-folder per component, named after it (core = app/core,
# widgets = app/widgets), each named in the call; a sub-folder is added only when its
# component is configured.
function(velta_add_component_folders)
  foreach(name ${ARGN})
    set(component ${name})
    if(name MATCHES "^(core|collect|admin|widgets)$")
      set(component app)
    endif()
    if(component IN_LIST VELTA_COMPONENTS)
      add_subdirectory(${name})
    endif()
  endforeach()
endfunction()

# Every object of a static library, linked whole into a shared object with no undefined
# symbol and only the libraries it links itself: a library that links Qt Core alone and calls
# a widget or window-system function fails here, not in whichever program happens to link
# the missing library too. Sanitizer and fuzz builds leave their runtimes' symbols undefined
# in shared objects: the check runs in the other builds.
function(velta_headless_check library)
  if(VELTA_SANITIZE OR VELTA_FUZZ)
    return()
  endif()
  set(src "${CMAKE_CURRENT_BINARY_DIR}/${library}_headless_check.cpp")
  file(CONFIGURE OUTPUT "${src}" CONTENT "// Empty: the objects come whole from ${library}.\n")
  add_library(${library}_headless_check SHARED "${src}")
  target_link_libraries(${library}_headless_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${library}>")
  target_link_options(${library}_headless_check PRIVATE "LINKER:--no-undefined")
endfunction()

# The tests of the headless libraries link no widget library either, not even through the
# libraries they link: a widget or GUI module of Qt anywhere in what a test links fails the
# configuration. The walk waits for the end of the configuration, when every target it meets
# is defined (the test support's folder comes after the libraries').
function(velta_headless_tests)
  # A deferred call reads its arguments when it runs: the targets are written into it now.
  cmake_language(EVAL CODE
                 "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _velta_headless_tests_walk ${ARGN})")
endfunction()

function(_velta_headless_tests_walk)
  foreach(test ${ARGN})
    _velta_refuse_links(${test} "^Qt6?::(Gui|Widgets|PrintSupport|OpenGL|OpenGLWidgets|Quick|Qml)$"
                        "a test of a headless library")
  endforeach()
endfunction()

# velta_refuse_links(target REGEX WHAT): fails the configuration when `target` links a library
# whose name matches REGEX, directly or through the libraries it links; WHAT names the target
# in the message. Deferred, as velta_headless_tests.
function(velta_refuse_links target regex what)
  cmake_language(EVAL CODE
                 "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _velta_refuse_links [[${target}]] [[${regex}]] [[${what}]])")
endfunction()

function(_velta_refuse_links target regex what)
  set(seen)
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue item)
    # Only the target named in a link expression; other expressions name no library here.
    if(item MATCHES "^\\$<LINK_ONLY:([^>]+)>$" OR item MATCHES "^\\$<LINK_LIBRARY:[^,]+,([^>]+)>$")
      set(item "${CMAKE_MATCH_1}")
    endif()
    if(item MATCHES "^\\$<|^::@" OR item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen "${item}")
    if(NOT item STREQUAL target AND item MATCHES "${regex}")
      message(FATAL_ERROR "${target}, ${what}, links ${item}")
    endif()
    if(NOT TARGET "${item}")
      continue()
    endif()
    get_target_property(aliased "${item}" ALIASED_TARGET)
    if(aliased)
      list(APPEND queue "${aliased}")
      continue()
    endif()
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(libs "${item}" ${property})
      if(libs)
        list(APPEND queue ${libs})
      endif()
    endforeach()
  endwhile()
endfunction()
