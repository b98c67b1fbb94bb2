# `cpack -G DEB` in the build tree: vantel_<version>_<arch>.deb with what cmake/Install.cmake
# installs, under /usr. Depends comes from the programs' shared libraries (dpkg-shlibdeps).

set(CPACK_PACKAGE_NAME vantel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VANTEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control software for a matrix switcher")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories a package creates are 0755 whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack puts the summary on the first line and indents these lines below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vantel routes the inputs of a hardware matrix switcher to its outputs, keeps
and recalls scenes and sets the device up, over a serial line or TCP.

The package holds the desktop application (vantel), its command-line client
(vantelctl) and a software switcher to try both without hardware (vantel-sim).")

set(CPACK_GENERATOR DEB)
include(CPack)
