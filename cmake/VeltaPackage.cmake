# The Debian package: everything the install rules put under the prefix, in one package
# velta_<version>_<arch>.deb (scripts/package configures with the prefix /usr, builds and runs
# cpack). Its dependencies come from what the programs and libraries link (dpkg-shlibdeps);
# xdg-utils, which the program starts to mail a file, and Qt's own translations (its buttons
# and dialogs in the language of the settings) are recommended.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velta)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Velta")
set(CPACK_PACKAGE_CONTACT "Velta maintainers <velta@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "collects punch records from time-attendance clock terminals")
set(CPACK_PACKAGE_DESCRIPTION
    "Velta reaches clocks over serial lines, dial-up modems, TCP and UDP, downloads their\n\
stored punches into text files, converts and ships them (FTP, remote command), and lets an\n\
operator administer clocks, cards, companies and users. velta-init makes a station's first\n\
data folder. The clock link, common objects and remote-shell libraries and the converter\n\
add-in come with their headers and CMake package files.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The package's own libraries are found in the package itself, not among the system's.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n")
include(CPack)
