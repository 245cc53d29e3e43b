# Installation of the Linux program (cmake --install, prefix and DESTDIR honoured) and its Debian
# package (cpack, run by scripts/package.sh).
#
#   bin/upgrade405                          the program
#   lib/upgrade405/upgrade405-fltk.so        its FLTK front-end, found from the program's folder
#                                            as ../lib/upgrade405 (the build tree keeps it beside;
#                                            the package: lib/x86_64-linux-gnu/upgrade405)
#   share/man/man1/upgrade405.1.gz           the manual page, in English
#   share/man/fr/man1/upgrade405.1.gz        and in French
#   share/doc/upgrade405/                    README.md, copyright, changelog.gz
#   share/applications/upgrade405.desktop    the menu's launcher, which asks for the database
#   share/icons/hicolor/*/apps/upgrade405.*  its icon: PNGs at seven sizes and the SVG
#   share/metainfo/<id>.metainfo.xml         the AppStream metadata (software centres)
include(GNUInstallDirs)

# A private module, not a library others link: a folder of its own in the library folder
# (lib/upgrade405; lib/<multiarch>/upgrade405 under the prefix /usr on Debian), which no
# ldconfig cache lists. The program finds it relative to its own folder, so the pair moves with
# the prefix.
set(UPGRADE405_INSTALL_MODULEDIR "${CMAKE_INSTALL_LIBDIR}/upgrade405" CACHE STRING
    "Where the FLTK front-end module is installed, relative to the prefix")
file(RELATIVE_PATH moduleDirFromBin "/prefix/${CMAKE_INSTALL_BINDIR}"
     "/prefix/${UPGRADE405_INSTALL_MODULEDIR}")
target_compile_definitions(upgrade405_platform PRIVATE
                           UPGRADE405_MODULE_DIR_FROM_BIN="${moduleDirFromBin}")

install(TARGETS upgrade405 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS upgrade405_fltk LIBRARY DESTINATION ${UPGRADE405_INSTALL_MODULEDIR})

# Debian ships manual pages and changelogs compressed with gzip -9n (no name, no time stamp:
# the same bytes every build).
foreach(doc upgrade405.1 upgrade405.fr.1 changelog)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/${doc}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/doc/${doc} > ${PROJECT_BINARY_DIR}/doc/${doc}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/doc/${doc} VERBATIM)
endforeach()
add_custom_target(upgrade405_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/upgrade405.1.gz
                                              ${PROJECT_BINARY_DIR}/doc/upgrade405.fr.1.gz
                                              ${PROJECT_BINARY_DIR}/doc/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/doc/upgrade405.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# man finds a translation under the language's folder: LANG=fr_FR.UTF-8 man upgrade405.
install(FILES ${PROJECT_BINARY_DIR}/doc/upgrade405.fr.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/fr/man1 RENAME upgrade405.1.gz)
install(FILES README.md doc/copyright ${PROJECT_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The desktop program. The launcher runs upgrade405 --choose-db, which asks for the database
# with a file chooser; it names no MIME type, so that it never becomes the application that
# opens Access files.
install(FILES data/upgrade405.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 24 32 48 64 128 256)
  install(FILES data/icons/upgrade405-${size}.png RENAME upgrade405.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES data/icons/upgrade405.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The AppStream identifier, in reverse-DNS form under the domain the project is hosted on (that
# of its maintainers' address), a hyphen written as an underscore as identifiers require. It
# names the component for good: it stays when the maintainers' address changes.
set(UPGRADE405_APPSTREAM_ID example.c_seed_82792a2c.upgrade405)
# The release's date is that of the newest entry of doc/changelog, as YYYY-MM-DD.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/doc/changelog)
file(STRINGS ${PROJECT_SOURCE_DIR}/doc/changelog changelogTrailers REGEX "^ -- ")
list(GET changelogTrailers 0 newestTrailer)
if(NOT newestTrailer MATCHES ", ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "doc/changelog: no date in its newest entry's line: ${newestTrailer}")
endif()
set(releaseDay ${CMAKE_MATCH_1})
set(releaseYear ${CMAKE_MATCH_3})
set(monthNames Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND monthNames ${CMAKE_MATCH_2} releaseMonth)
if(releaseMonth EQUAL -1)
  message(FATAL_ERROR "doc/changelog: no month in its newest entry's line: ${newestTrailer}")
endif()
math(EXPR releaseMonth "${releaseMonth} + 1")
string(REGEX REPLACE "^([0-9])$" "0\\1" releaseMonth ${releaseMonth})
string(REGEX REPLACE "^([0-9])$" "0\\1" releaseDay ${releaseDay})
set(UPGRADE405_RELEASE_DATE ${releaseYear}-${releaseMonth}-${releaseDay})
configure_file(data/upgrade405.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/data/${UPGRADE405_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/data/${UPGRADE405_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The Debian package: upgrade405_<version>_<arch>.deb, a package made from the project itself
# (native: the version has no Debian revision).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME upgrade405)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the upgrade405 developers")
# The address the project's maintainers commit under; a maintainer with another sets this.
set(UPGRADE405_PACKAGE_MAINTAINER
    "upgrade405 maintainers <maintainers@users.noreply.c-seed-82792a2c.example>"
    CACHE STRING "The Debian package's Maintainer field")
set(CPACK_PACKAGE_CONTACT "${UPGRADE405_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies from the libraries the program and its module link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's fonts metric-compatible with those it was laid out for; mdbtools to check a
# result.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS mdbtools)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "upgrades a database from schema 4.04 to 4.05")
# The summary above is its first line; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A small dialog with one button that widens the Filename column of the nuv
table of an Access (.mdb) database, Jet 4 (Access 2000 to 2003) or Jet 3
(Access 97), to 96 characters, in place:
ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96). Its texts are French.
Its menu launcher asks for the database with the desktop's file chooser.

It draws its window with FLTK when a display is named, and on the terminal
otherwise, where each line of standard input is one action.")
include(CPack)
