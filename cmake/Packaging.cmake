# SPDX-License-Identifier: MIT
# Installation of the documents and the Debian package.
#
# The programs, the desktop entry, the firmware file type, the AppStream data
# and the icon are installed beside their targets (cli/, app/, emu/); this
# file adds the manual pages, the Debian changelog and copyright file, the
# bash completion, the documents and the sample firmware, and sets up `cpack`,
# which writes canalarm_<version>_amd64.deb. Its dependencies come from
# dpkg-shlibdeps (package dpkg-dev) plus the Qt platform plugins that the
# window loads at run time and no linker sees.
include(GNUInstallDirs)

# Debian installs manual pages gzipped, without a name or time stamp (-n).
find_program(CANALARM_GZIP gzip REQUIRED)
set(canalarm_compressed_docs)
foreach(page canalarm canalarm-gui canalarm-emu)
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.1)
  set(gz ${PROJECT_BINARY_DIR}/docs/${page}.1.gz)
  add_custom_command(
    OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/docs
    COMMAND ${CANALARM_GZIP} -9 -n -c ${source} > ${gz}
    DEPENDS ${source}
    COMMENT "Compressing the manual page ${page}(1)")
  list(APPEND canalarm_compressed_docs ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The Debian changelog, made from docs/CHANGELOG.md, and the machine-readable
# copyright file.
set(CANALARM_MAINTAINER "canalarm developers <canalarm@example.org>")
find_program(CANALARM_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(canalarm_changelog_gz ${PROJECT_BINARY_DIR}/docs/changelog.gz)
add_custom_command(
  OUTPUT ${canalarm_changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/docs
  COMMAND ${CANALARM_PYTHON3} ${PROJECT_SOURCE_DIR}/scripts/debian-changelog.py
          ${PROJECT_SOURCE_DIR}/docs/CHANGELOG.md ${canalarm_changelog_gz}
          ${PROJECT_NAME} ${CANALARM_MAINTAINER}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/CHANGELOG.md ${PROJECT_SOURCE_DIR}/scripts/debian-changelog.py
  COMMENT "Writing the Debian changelog"
  VERBATIM)
list(APPEND canalarm_compressed_docs ${canalarm_changelog_gz})
add_custom_target(canalarm_compressed_docs ALL DEPENDS ${canalarm_compressed_docs})
install(FILES ${canalarm_changelog_gz} ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${PROJECT_NAME})

install(FILES ${PROJECT_SOURCE_DIR}/docs/completion/canalarm.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME canalarm)

# The documents keep the repository's layout, so that their links hold.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/emu/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/emu)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png"
        PATTERN "CHANGELOG.md" EXCLUDE  # it is changelog.gz
        PATTERN "man" EXCLUDE PATTERN "completion" EXCLUDE)

# A firmware file to try the tool with, against canalarm-emu.
if(TARGET sample_firmware)
  install(FILES ${PROJECT_BINARY_DIR}/samples/demo_firmware.hexfw
          DESTINATION ${CMAKE_INSTALL_DATADIR}/canalarm)
endif()

if(NOT TARGET canalarm-gui)
  message(STATUS "The window is not built: a package made here lacks canalarm-gui")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME canalarm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "canalarm developers")
set(CPACK_PACKAGE_CONTACT "${CANALARM_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CANALARM_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "service tool for a CAN-bus car-alarm module's serial bootloader")
set(CPACK_PACKAGE_DESCRIPTION
    "Writes firmware files into a CAN-bus car-alarm and immobiliser module over\n\
RS-232 through the module's resident bootloader, reads its firmware version\n\
and reads and writes its operating parameters. It comes as a Qt window\n\
(canalarm-gui), as a command line (canalarm) that can program several\n\
modules at once, and with a module emulator on a pseudo-terminal\n\
(canalarm-emu) for trying everything without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # canalarm_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The xcb platform plugin: without it the window cannot open on X11. Qt's
# own translations: the file dialogs in the window's language. DejaVu Sans
# Condensed: the window's face, in which every language's captions fit.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-dejavu-extra")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
