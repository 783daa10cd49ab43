# Installation and the Debian package. `cmake --install build --prefix P`
# puts the programs, man pages, menu entry and icon under P; `cpack -G DEB`
# in the build folder packs the same files as zint_<version>_amd64.deb.
include(GNUInstallDirs)

set(ZINT_MAINTAINER "zint developers <zint@example.org>" CACHE STRING "The package's Maintainer field")
set(ZINT_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(ZINT_PACKAGE_SOURCE ${CMAKE_SOURCE_DIR}/tools/package)

# The menu icon is the tunnel emblem, 256 x 256, as the picture generator
# paints it (its preview, before the lossy encoding of the blob).
add_custom_command(
  OUTPUT ${ZINT_PACKAGE_DIR}/zint.png
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZINT_PACKAGE_DIR}/pictures
  COMMAND make_pictures ${ZINT_PACKAGE_DIR}/pictures ${ZINT_PACKAGE_DIR}/pictures
  COMMAND ${CMAKE_COMMAND} -E copy ${ZINT_PACKAGE_DIR}/pictures/picture2.png ${ZINT_PACKAGE_DIR}/zint.png
  DEPENDS make_pictures
  COMMENT "Painting the menu icon"
  VERBATIM)

# Debian wants man pages and the changelog compressed, without time stamps.
function(zint_gzip source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${source} ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

configure_file(${ZINT_PACKAGE_SOURCE}/changelog.in ${ZINT_PACKAGE_DIR}/changelog @ONLY)
zint_gzip(${ZINT_PACKAGE_DIR}/changelog ${ZINT_PACKAGE_DIR}/changelog.gz)
set(ZINT_MAN_PAGES zint.6 zint-capture.1 xmrender.1)
set(ZINT_PACKAGE_FILES ${ZINT_PACKAGE_DIR}/zint.png ${ZINT_PACKAGE_DIR}/changelog.gz)
foreach(page ${ZINT_MAN_PAGES})
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page}.in ${ZINT_PACKAGE_DIR}/${page} @ONLY)
  zint_gzip(${ZINT_PACKAGE_DIR}/${page} ${ZINT_PACKAGE_DIR}/${page}.gz)
  list(APPEND ZINT_PACKAGE_FILES ${ZINT_PACKAGE_DIR}/${page}.gz)
endforeach()
add_custom_target(zint_package_files ALL DEPENDS ${ZINT_PACKAGE_FILES})

# Debian's place for games and demos.
install(TARGETS zint RUNTIME DESTINATION games)
install(TARGETS zint-capture xmrender RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZINT_PACKAGE_SOURCE}/zint.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZINT_PACKAGE_DIR}/zint.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${ZINT_PACKAGE_DIR}/zint.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${ZINT_PACKAGE_DIR}/zint-capture.1.gz ${ZINT_PACKAGE_DIR}/xmrender.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ZINT_PACKAGE_SOURCE}/copyright ${ZINT_PACKAGE_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The package and the install build only what they hold, not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zint)
set(CPACK_PACKAGE_VENDOR "the zint developers")
set(CPACK_PACKAGE_CONTACT ${ZINT_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual intro with its own tracker music")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "zint opens a 640 x 480 OpenGL screen, plays a song of its own in the
Extended Module (XM) format with its own player, and shows a fixed line-up
of scenes: a fly-through of a neon tunnel, a flock of boids and a rippling
end picture with the credits. Everything it shows and plays is built into
the program.

The package also holds zint-capture, which renders the whole production
offline into a video file, and xmrender, which renders any XM module with
the same player into a WAV file.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from the binaries. What they load by name at run time
# cannot be seen there: SDL's offscreen video (zint-capture) opens EGL, and
# the text textures are drawn with fonts that fontconfig looks up.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl1, fonts-liberation | fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)
