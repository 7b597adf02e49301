# Install rules: programs, udev rule, desktop entry, AppStream metainfo, icons and manual pages in the places a
# Linux desktop looks for them (GNUInstallDirs). Translations and the help document are built
# into tarvexcc as Qt resources, so the program finds them whatever the prefix.
include(GNUInstallDirs)

set(TARVEX_RES ${CMAKE_SOURCE_DIR}/resources)
set(TARVEX_GEN ${CMAKE_BINARY_DIR}/generated/install)

install(TARGETS tarvexctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tarvexcc)
  install(TARGETS tarvexcc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# udev reads rules from <prefix>/lib/udev/rules.d (so /usr/lib/udev/rules.d for /usr); the
# rules directory is not multiarch, hence "lib" and not CMAKE_INSTALL_LIBDIR.
install(FILES ${TARVEX_RES}/70-tarvex.rules DESTINATION lib/udev/rules.d)

install(FILES ${TARVEX_RES}/cc.tarvex.TarvexCC.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Software centres read what the program is (and which USB device it serves) from here.
install(FILES ${TARVEX_RES}/cc.tarvex.TarvexCC.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# bash-completion loads a command's completion on first use from this directory.
install(FILES ${TARVEX_RES}/bash-completion/tarvexctl
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Icons: the tray image in every size a hicolor theme asks for, rendered from the SVG at
# build time so the PNGs never drift from it.
set(TARVEX_ICON_SVG ${TARVEX_RES}/images/Status.svg)
set(TARVEX_ICON_SIZES 16 22 24 32 48 64 128 256)
find_program(RSVG_CONVERT rsvg-convert)
find_program(IMAGEMAGICK_CONVERT NAMES convert-im6.q16 convert)
set(icon_outputs)
foreach(size ${TARVEX_ICON_SIZES})
  set(png ${TARVEX_GEN}/icons/${size}x${size}/tarvexcc.png)
  if(RSVG_CONVERT)
    set(render ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${TARVEX_ICON_SVG})
  elseif(IMAGEMAGICK_CONVERT)
    set(render ${IMAGEMAGICK_CONVERT} -background none -density 1200 ${TARVEX_ICON_SVG}
      -resize ${size}x${size} ${png})
  else()
    message(FATAL_ERROR "rsvg-convert or ImageMagick is needed to render the icons "
      "(scripts/install-deps installs them)")
  endif()
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVEX_GEN}/icons/${size}x${size}
    COMMAND ${render}
    DEPENDS ${TARVEX_ICON_SVG}
    COMMENT "Rendering the ${size}x${size} icon" VERBATIM)
  list(APPEND icon_outputs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${TARVEX_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME tarvexcc.svg)
# The tray's status icon by name, for hosts that draw theme icons at their own size.
install(FILES ${TARVEX_RES}/images/Status.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME tarvexcc-status.svg)

# Manual pages, compressed as Debian wants them (-n: no time stamp, reproducible).
set(man_outputs)
foreach(page tarvexctl tarvexcc)
  set(gz ${TARVEX_GEN}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVEX_GEN}/man
    COMMAND sh -c "gzip -9n -c '${TARVEX_RES}/${page}.1' > '${gz}'"
    DEPENDS ${TARVEX_RES}/${page}.1
    COMMENT "Compressing the ${page}(1) manual page" VERBATIM)
  list(APPEND man_outputs ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

add_custom_target(tarvex_install_data ALL DEPENDS ${icon_outputs} ${man_outputs})

# Debian wants the copyright and a changelog with every package's documentation.
set(doc_changelog ${TARVEX_GEN}/doc/changelog.gz)
add_custom_command(OUTPUT ${doc_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVEX_GEN}/doc
  COMMAND sh -c "gzip -9n -c '${TARVEX_RES}/debian/changelog' > '${doc_changelog}'"
  DEPENDS ${TARVEX_RES}/debian/changelog VERBATIM)
add_custom_target(tarvex_install_doc ALL DEPENDS ${doc_changelog})
install(FILES ${TARVEX_RES}/debian/copyright ${doc_changelog}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvexcc)
