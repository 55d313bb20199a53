# SPDX-License-Identifier: MIT
# The Windows package, made by `cpack` in a Windows build with the window
# (scripts/package-windows.sh): a portable zip and an NSIS installer, both
# holding one folder laid out as the programs run from it:
#
#   canalarm-gui.exe canalarm.exe          the window and the command line
#   Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll  Qt, in its own DLLs (LGPL-3)
#   libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll   mingw's runtime
#   platforms/qwindows.dll styles/qwindowsvistastyle.dll    Qt's plugins
#   translations/qtbase_LANG.qm            Qt's own texts (app/CMakeLists.txt)
#   LICENSE.txt licenses/                  MIT, Qt's notice with its licences,
#                                          the window's face's (DejaVu) licence
#
# Qt finds its plugins beside the program by itself; no qt.conf is needed.

# Qt's imported targets belong to the folder that found them (ui/); the
# package's rules need them here too.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)

# Qt's DLLs and the two plugins the window loads at run time.
foreach(qt_target Qt6::Core Qt6::Gui Qt6::Widgets)
  install(FILES $<TARGET_FILE:${qt_target}> DESTINATION .)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)

# The one C++ runtime the programs and Qt's DLLs share, from the compiler
# that built them.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "the compiler has no ${dll}")
  endif()
  file(REAL_PATH "${dll_path}" dll_path)
  install(FILES "${dll_path}" DESTINATION .)
endforeach()

# The licences: ours, and Qt's LGPL-3 (which builds on the GPL-3) with a
# notice of where Qt's source is and how this Qt was built.
get_filename_component(canalarm_qt_prefix "${Qt6_DIR}/../../.." ABSOLUTE)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/QT-NOTICE.txt
              ${PROJECT_SOURCE_DIR}/packaging/windows/qtbase-6.4-directwrite-needs-direct2d.patch
        DESTINATION licenses)
install(FILES /usr/share/common-licenses/LGPL-3 RENAME LGPL-3.txt DESTINATION licenses)
install(FILES /usr/share/common-licenses/GPL-3 RENAME GPL-3.txt DESTINATION licenses)
# The window carries DejaVu Sans Condensed (ui/CMakeLists.txt); its licence
# asks for its notice in every copy.
install(FILES /usr/share/doc/fonts-dejavu-extra/copyright RENAME DejaVu-fonts.txt DESTINATION licenses)
if(EXISTS "${canalarm_qt_prefix}/canalarm-qt-build.txt")
  install(FILES "${canalarm_qt_prefix}/canalarm-qt-build.txt" DESTINATION licenses
          RENAME qt-build.txt)
endif()

set(CPACK_PACKAGE_NAME canalarm)
set(CPACK_PACKAGE_VENDOR canalarm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Service tool for the CAN-bus alarm and immobiliser module")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_FILE_NAME canalarm-${PROJECT_VERSION}-windows-x64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY canalarm)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY canalarm)
set(CPACK_GENERATOR ZIP NSIS)
# Values reach the installer script as written here (backslashes, $INSTDIR).
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_STRIP_FILES ON)
# The installer's own name (…-setup.exe) is set per generator there.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/windows/CPackWindows.cmake)

# A 64-bit installer: the default 32-bit stub needs a 32-bit Windows layer,
# which a 64-bit-only Windows (or Wine) lacks.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The installer's title and the Start-menu folder.
set(CPACK_NSIS_PACKAGE_NAME canalarm)
set(CPACK_NSIS_DISPLAY_NAME "canalarm ${PROJECT_VERSION}")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_INSTALLED_ICON_NAME canalarm-gui.exe)
# The Start-menu entry: the window, at the top of the folder.
set(CPACK_PACKAGE_EXECUTABLES canalarm-gui "CAN Alarm Bootloader")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
# Record-encoded firmware files (*.hexfw) open in the window.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [=[
  WriteRegStr SHCTX "Software\Classes\.hexfw" "" "canalarm.hexfw"
  WriteRegStr SHCTX "Software\Classes\canalarm.hexfw" "" "canalarm firmware"
  WriteRegStr SHCTX "Software\Classes\canalarm.hexfw\DefaultIcon" "" "$INSTDIR\canalarm-gui.exe,0"
  WriteRegStr SHCTX "Software\Classes\canalarm.hexfw\shell\open\command" "" '"$INSTDIR\canalarm-gui.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]=])
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
  ReadRegStr $0 SHCTX "Software\Classes\.hexfw" ""
  StrCmp $0 "canalarm.hexfw" 0 +2
    DeleteRegKey SHCTX "Software\Classes\.hexfw"
  DeleteRegKey SHCTX "Software\Classes\canalarm.hexfw"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]=])
include(CPack)
