# Installing: `cmake --install <build>` puts the program, the simulated device,
# the menu entry and the icon in their places; `cpack -G DEB` (run in the build
# folder) makes a Debian package of the same files.
include(GNUInstallDirs)

install(TARGETS vantrel vantrel-simdev RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(UNIX AND NOT APPLE)
  set(vantrel_packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
  install(FILES ${vantrel_packaging}/vantrel.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${vantrel_packaging}/vantrel.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 32 48 64 128 256)
    install(FILES ${vantrel_packaging}/icons/vantrel-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME vantrel.png)
  endforeach()
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(VANTREL_PACKAGE_MAINTAINER "Vantrel maintainers <vantrel@example.org>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VANTREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial port terminal with a Russian interface")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vantrel is a desktop terminal for devices that talk over a serial port:
microcontroller boards, USB-to-serial adapters, port emulators. It sends
typed commands, macros and command files by hand, after each answer or
periodically, with a packet tail and checksum templates, and shows the
traffic in a time-stamped, filterable log that can go to a file. With
AutoConnect it re-opens an adapter that was pulled out and plugged in again.
The package also holds vantrel-simdev, a simulated serial device on a
pseudo-terminal for trying the program without hardware.")

# The Qt platform plugins and the fonts are loaded at run time, so no library
# scan finds them; Symbola draws the control pictures of the log.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core, fonts-symbola")
find_program(VANTREL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VANTREL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
    ", libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4)"
    ", libstdc++6 (>= 11), libgcc-s1, libc6 (>= 2.34)")
endif()

include(CPack)
