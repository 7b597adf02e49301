# CPack: one Debian package "tarvexcc" holding both programs, the udev rule and the desktop
# integration. Its dependencies come from dpkg-shlibdeps, so they follow whatever the build
# linked against; the maintainer scripts apply the udev rule to switches already attached.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvexcc)
set(CPACK_PACKAGE_VENDOR "Tarvex CC developers")
set(CPACK_PACKAGE_CONTACT "Tarvex CC developers <tarvexcc@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control Tarvex USB video switches from the tray")
# CPack puts the summary first and indents these lines itself; an empty line separates
# paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Tarvex CC switches the USB video switches of the Tarvex family (Tarvex Pro
DVI SL, Tarvex mini, Tarvex Pro DVI DL) between their ports from a
system-tray menu, with global hot keys and on a rotation timer, and
updates their firmware.

The package also holds tarvexctl, the same control from a terminal for
scripts, and a udev rule that lets the user at the seat open the switches'
hidraw nodes without root.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarvex CC developers <tarvexcc@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarvexcc.example.org/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins loaded at run time (the X11 and Wayland platforms, the SVG tray image) are no linked
# library: dpkg-shlibdeps cannot see them. Without qt6-wayland the program cannot start on a
# Wayland session that has no X server.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland, libqt6svg6")
# Qt's own translations make the standard buttons and dialogs speak the interface language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/resources/debian/postinst ${CMAKE_SOURCE_DIR}/resources/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Directories are 0755 whatever the builder's umask: under Debian 13's default of 002 they
# would come out 0775, which lintian rightly flags.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 0)
include(CPack)
