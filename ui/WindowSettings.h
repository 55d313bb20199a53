// SPDX-License-Identifier: MIT
// What the window remembers from run to run: the language chosen in the
// window, the last port and speed, the folder of the last firmware file, and
// the window's size, place and maximised state.
// Stored with QSettings in the native format under "canalarm/canalarm-gui"
// (on Linux $XDG_CONFIG_HOME/canalarm/canalarm-gui.conf). Values that are
// missing or out of range read as nothing, so a damaged file only costs
// the remembered choice.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "texts/Language.h"

namespace canalarm::ui {

class WindowSettings {
 public:
  static std::optional<Language> LanguageChoice();
  static void SetLanguageChoice(Language language);

  // Index in cbPort (0 = COM1 ... 11 = COM12).
  static std::optional<int> PortIndex();
  static void SetPortIndex(int index);

  // 9600, 19200 or 38400.
  static std::optional<int> Speed();
  static void SetSpeed(int baud);

  // The "Keep the module's settings" box; on unless the fitter turned it off.
  static bool KeepModuleSettings();
  static void SetKeepModuleSettings(bool keep);

  // Folder of the last firmware file; empty when none.
  static QString LastFolder();
  static void SetLastFolder(const QString& folder);

  // QWidget::saveGeometry() of the window; empty when none.
  static QByteArray Geometry();
  static void SetGeometry(const QByteArray& geometry);
};

}  // namespace canalarm::ui
