# Installing the programs (cmake --install, GNU folders) and the Debian
# package (script/package, CPack).
#
#   <prefix>/bin/orvia, orvia-cli
#   <prefix>/lib/<arch>/orvia/kelvo_blackbox.so   the player module
#   <prefix>/share/applications, metainfo, icons/hicolor
#
# The viewer finds its module relative to its own folder (see
# app/program_folders.h) and writes its data files to the user's data folder.
# The map page takes its script library from the system's Leaflet
# (/usr/share/javascript/leaflet, package libjs-leaflet); offline map files are
# read through Qt's SQLite driver (package libqt6sql6-sqlite).
install(TARGETS orvia orvia-cli orvia-cli-tools RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kelvo_blackbox LIBRARY DESTINATION ${ORVIA_MODULE_INSTALL_DIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvia)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Orvia developers <orvia@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for the recordings of a two-channel vehicle video recorder")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Lists the recordings of a recorder's micro SD card (or a copy of it) by mode and time,\n\
plays front and rear camera in step with sound, shows time, acceleration, the\n\
position on a map and a G-sensor graph, saves and prints pictures, edits the\n\
recorder's settings and clock, and formats the card.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
# The package depends on the libraries of the release it was built on, so its
# file name carries that release (ID and VERSION_ID of /etc/os-release):
# orvia_<version>_debian12_amd64.deb on bookworm, _debian13_ on trixie.
cmake_host_system_information(RESULT ORVIA_RELEASE_ID QUERY DISTRIB_ID)
cmake_host_system_information(RESULT ORVIA_RELEASE_VERSION QUERY DISTRIB_VERSION_ID)
if(NOT ORVIA_RELEASE_VERSION)
  # A release without a number (unstable) is named by its code name.
  cmake_host_system_information(RESULT ORVIA_RELEASE_VERSION QUERY DISTRIB_VERSION_CODENAME)
endif()
if(NOT ORVIA_RELEASE_ID OR NOT ORVIA_RELEASE_VERSION)
  message(WARNING "/etc/os-release gives no ID and VERSION_ID; the package is named for an unknown release")
  set(ORVIA_RELEASE_ID unknown)
  set(ORVIA_RELEASE_VERSION "")
endif()
set(ORVIA_PACKAGE_RELEASE "${ORVIA_RELEASE_ID}${ORVIA_RELEASE_VERSION}")
set(CPACK_DEBIAN_FILE_NAME "orvia_${PROJECT_VERSION}_${ORVIA_PACKAGE_RELEASE}_amd64.deb")
set(CPACK_STRIP_FILES ON)
# The libraries the binaries link come from dpkg-shlibdeps. What they load by
# name at run time cannot be found that way: the Qt window-system and image
# plugins (carried by the Qt libraries' own packages here), the map
# page's script library and Qt's SQLite driver (offline map files).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libjs-leaflet, libqt6sql6-sqlite")
# The disk service lists and formats cards without root; mkfs.fat formats as root.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udisks2, dosfstools")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
include(CPack)
