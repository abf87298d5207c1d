# What `cmake --install` puts under the prefix (GNU layout):
#   velta_install_program(target)   a program in bin/, finding the installed libraries (and
#                                    the converter add-in it loads by name) through a RUNPATH
#                                    relative to itself
#   velta_install_library(target PACKAGE name HEADERS dir [VERSIONED])
#                                    a library that is a deliverable of its own: the library in
#                                    lib/, its public headers, and a CMake package file
#                                    (<name>Config.cmake with its version file) so another
#                                    program can find_package(<name>) and link velta::<target>;
#                                    VERSIONED gives it the version and the soname of the
#                                    program's major version (an add-in loaded by its plain
#                                    file name has neither)
# Nothing installed names the build tree: the build's RUNPATH entries are replaced by the
# installed ones, and the package files name only paths under the prefix.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# From bin/ to the library folder (lib, or lib/<multiarch> under /usr on Debian), as the
# installed program's RUNPATH names it.
file(RELATIVE_PATH VELTA_BIN_TO_LIB "/${CMAKE_INSTALL_BINDIR}" "/${CMAKE_INSTALL_LIBDIR}")
set(VELTA_CMAKE_PACKAGES_DIR "${CMAKE_INSTALL_LIBDIR}/cmake")

function(velta_install_program target)
  # DT_RUNPATH rather than DT_RPATH: LD_LIBRARY_PATH may still point a program elsewhere.
  target_link_options(${target} PRIVATE "LINKER:--enable-new-dtags")
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${VELTA_BIN_TO_LIB}")
  install(TARGETS ${target} RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endfunction()

function(velta_install_library target)
  cmake_parse_arguments(L "VERSIONED" "PACKAGE;HEADERS" "" ${ARGN})
  if(L_VERSIONED)
    set_target_properties(${target} PROPERTIES VERSION "${PROJECT_VERSION}"
                                               SOVERSION "${PROJECT_VERSION_MAJOR}")
  endif()
  # A library linking another of ours finds it beside itself.
  target_link_options(${target} PRIVATE "LINKER:--enable-new-dtags")
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target} EXPORT ${L_PACKAGE}Targets
          LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}"
          INCLUDES DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
  # The test seam serves the program's own test hooks, no other program.
  install(DIRECTORY "${L_HEADERS}/" DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}"
          FILES_MATCHING PATTERN "*.h" PATTERN "TestSeam.h" EXCLUDE)
  set(dir "${VELTA_CMAKE_PACKAGES_DIR}/${L_PACKAGE}")
  install(EXPORT ${L_PACKAGE}Targets NAMESPACE velta:: DESTINATION "${dir}")
  set(config "${PROJECT_BINARY_DIR}/cmake-packages/${L_PACKAGE}Config.cmake")
  set(VELTA_PACKAGE "${L_PACKAGE}")
  configure_package_config_file("${PROJECT_SOURCE_DIR}/cmake/PackageConfig.cmake.in" "${config}"
                                INSTALL_DESTINATION "${dir}")
  write_basic_package_version_file(
    "${PROJECT_BINARY_DIR}/cmake-packages/${L_PACKAGE}ConfigVersion.cmake"
    VERSION "${PROJECT_VERSION}" COMPATIBILITY SameMajorVersion)
  install(FILES "${config}" "${PROJECT_BINARY_DIR}/cmake-packages/${L_PACKAGE}ConfigVersion.cmake"
          DESTINATION "${dir}")
endfunction()
