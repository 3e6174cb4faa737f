# The Debian package: both programs, the desktop entry and the icon, as `cmake --install` puts
# them. Runtime dependencies are found by dpkg-shlibdeps from the libraries the programs link.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "actinfit")
set(CPACK_PACKAGE_VENDOR "actinfit")
set(CPACK_PACKAGE_CONTACT "actinfit maintainers <actinfit@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Fits a kinetic model of actin polymerisation to pyrene-actin fluorescence")
set(CPACK_PACKAGE_DESCRIPTION
    "A window for fitting one time course and actinfit-batch for whole plates from the command line.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "/usr")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
