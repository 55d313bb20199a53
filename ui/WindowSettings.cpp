// SPDX-License-Identifier: MIT
#include "ui/WindowSettings.h"

#include <QSettings>

namespace canalarm::ui {

namespace {

constexpr int kPortCount = 12;

QSettings Store() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("canalarm"),
                   QStringLiteral("canalarm-gui"));
}

std::optional<int> IntValue(const char* key) {
  bool ok = false;
  const int value = Store().value(QLatin1String(key)).toInt(&ok);
  return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

std::optional<Language> WindowSettings::LanguageChoice() {
  const QString code = Store().value(QStringLiteral("language")).toString();
  if (code.size() != 1) return std::nullopt;
  return LanguageFromCode(code.at(0).toLatin1());
}

void WindowSettings::SetLanguageChoice(Language language) {
  Store().setValue(QStringLiteral("language"), QString(QLatin1Char(LanguageCode(language))));
}

std::optional<int> WindowSettings::PortIndex() {
  const std::optional<int> index = IntValue("port");
  if (!index || *index < 0 || *index >= kPortCount) return std::nullopt;
  return index;
}

void WindowSettings::SetPortIndex(int index) { Store().setValue(QStringLiteral("port"), index); }

std::optional<int> WindowSettings::Speed() {
  const std::optional<int> baud = IntValue("speed");
  if (!baud || (*baud != 9600 && *baud != 19200 && *baud != 38400)) return std::nullopt;
  return baud;
}

void WindowSettings::SetSpeed(int baud) { Store().setValue(QStringLiteral("speed"), baud); }

bool WindowSettings::KeepModuleSettings() {
  return Store().value(QStringLiteral("keepModuleSettings"), true).toBool();
}

void WindowSettings::SetKeepModuleSettings(bool keep) {
  Store().setValue(QStringLiteral("keepModuleSettings"), keep);
}

QString WindowSettings::LastFolder() { return Store().value(QStringLiteral("lastFolder")).toString(); }

void WindowSettings::SetLastFolder(const QString& folder) {
  Store().setValue(QStringLiteral("lastFolder"), folder);
}

QByteArray WindowSettings::Geometry() { return Store().value(QStringLiteral("geometry")).toByteArray(); }

void WindowSettings::SetGeometry(const QByteArray& geometry) {
  Store().setValue(QStringLiteral("geometry"), geometry);
}

}  // namespace canalarm::ui
