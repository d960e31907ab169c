# The Debian package (cpack -G DEB, scripts/package.sh): the install tree, with its
# dependencies worked out by dpkg-shlibdeps from what the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel-drive-utility)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvel Drive Utility developers <developers@quorvel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "settings, audio-quality counters and audio CD checks for the KVT-R42")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The Quorvel Drive Utility changes the feature settings of the KVT-R42 Blu-ray\n\
writer, shows its live audio-quality counters and disc information, checks the\n\
condition of an audio CD and restores the factory settings. Every check is kept\n\
in a history that recognises each disc. It comes as a desktop program and as\n\
qdu, a command-line tool, both with a simulated drive.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, where dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quorvel.example/)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only what users run: not the test programs or the libraries they are built from.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
