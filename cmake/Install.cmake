# What `cmake --install` puts where, following the Filesystem Hierarchy Standard and the
# freedesktop.org specifications under the chosen prefix, and the Debian package built from the
# same rules (`cpack -G DEB` in the build folder). The programs themselves are installed by their
# own folders' rules (bin/).

# The version comes from project() alone: these files are filled in from it.
set(SONDREL_METAINFO_ID "invalid.sondrel.sondrel")
configure_file("${PROJECT_SOURCE_DIR}/data/sondrel.metainfo.xml.in"
  "${PROJECT_BINARY_DIR}/data/${SONDREL_METAINFO_ID}.metainfo.xml" @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/docs/man/sondrel.1.in" "${PROJECT_BINARY_DIR}/man/sondrel.1" @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/docs/man/sondrel-cli.1.in" "${PROJECT_BINARY_DIR}/man/sondrel-cli.1" @ONLY)

# The genre list and the help page: the programs look for them beside themselves, then in
# ../share/sondrel (see base/ProgramFolder.h).
install(FILES "${PROJECT_SOURCE_DIR}/data/Genres.lst" "${PROJECT_SOURCE_DIR}/data/sondrel-help.html"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/sondrel")

install(FILES "${PROJECT_BINARY_DIR}/man/sondrel-cli.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
# The licence, where Debian looks for a package's copyright file.
install(FILES "${PROJECT_SOURCE_DIR}/data/copyright" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/sondrel")
install(FILES "${PROJECT_SOURCE_DIR}/data/completion/sondrel-cli"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")

# The window's files only where the window is built.
if(SONDREL_WINDOW)
  install(FILES "${PROJECT_BINARY_DIR}/man/sondrel.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  install(FILES "${PROJECT_SOURCE_DIR}/data/sondrel.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${PROJECT_BINARY_DIR}/data/${SONDREL_METAINFO_ID}.metainfo.xml"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
  foreach(size 16 32 48 64 128 256)
    install(FILES "${PROJECT_SOURCE_DIR}/data/icons/sondrel-${size}.png"
      DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps" RENAME sondrel.png)
  endforeach()
  install(FILES "${PROJECT_SOURCE_DIR}/data/icons/sondrel.svg"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
endif()

# The Debian package. Its dependencies are read off the programs' shared libraries (dpkg-shlibdeps,
# from dpkg-dev).
set(CPACK_PACKAGE_NAME "sondrel")
set(CPACK_PACKAGE_VENDOR "Sondrel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "playlist editor and MP3 tag editor")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Sondrel edits M3U and PLS playlists and the ID3v1 tags of the MP3 files they list, and fixes file "
  "names, playlist titles and tags in bulk through format strings. It comes as a desktop window, "
  "sondrel, and a command-line program, sondrel-cli, for scripts and large collections.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
# A maintainer is required; the project has no address to give, so the field names no one's.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Sondrel developers")
include(CPack)
