# SPDX-License-Identifier: MIT
# Qt's own texts (the file dialog's buttons and labels) in the window's
# languages, for a Windows build: the Qt built for Windows has no
# translations, and Debian's (qt6-translations-l10n, the same Qt version)
# load in it. The window looks for them in translations/ beside its program.
set(CANALARM_QT_TRANSLATIONS)
foreach(language pl de ru sk cs hu)  # English needs none
  set(qm /usr/share/qt6/translations/qtbase_${language}.qm)
  if(NOT EXISTS ${qm})
    message(FATAL_ERROR "no ${qm}: install qt6-translations-l10n (scripts/setup.sh)")
  endif()
  list(APPEND CANALARM_QT_TRANSLATIONS ${qm})
endforeach()

# canalarm_copy_qt_translations(): into translations/ of the current build
# folder, where the programs built here find them.
function(canalarm_copy_qt_translations)
  file(COPY ${CANALARM_QT_TRANSLATIONS} DESTINATION ${CMAKE_CURRENT_BINARY_DIR}/translations)
endfunction()
