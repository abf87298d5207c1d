# Build-wide settings and the helpers every component uses:
#   velta_warnings(target)                         our warning set
#   velta_add_gtest(name SOURCES ... LIBS ... [LABELS ...] [PROPERTIES ...])
#   velta_add_fuzzer(name SOURCES ... LIBS ...)   libFuzzer target, seeds in fuzz/corpus/<name>
#   velta_add_bench(name SOURCES ... LIBS ...)    benchmark program, run by scripts/bench
#   velta_add_component_folders(folder ...)        fuzz/ and bench/: one sub-folder a component
#   velta_headless_check(library)                  fails the build when the library needs more
#                                                  than what it links (e.g. a widget call)

set(VELTA_BUILD_TESTS ON)
if(VELTA_FUZZ)
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

function(velta_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  if(NOT VELTA_BUILD_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  velta_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               ${T_PROPERTIES})
endfunction()

set(VELTA_FUZZ_CORPUS_ROOT "${CMAKE_SOURCE_DIR}/fuzz/corpus")
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

# fuzz/ and bench/ keep one sub-folder per component, named after it (core = app/core), each
# named in the call; a sub-folder is added only when its component is configured.
function(velta_add_component_folders)
  foreach(name ${ARGN})
    set(component ${name})
    if(name STREQUAL "core" OR name STREQUAL "collect" OR name STREQUAL "ui")
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
