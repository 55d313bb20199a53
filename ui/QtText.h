// SPDX-License-Identifier: MIT
// Conversions between the core's UTF-8 texts and Qt strings.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace canalarm::ui {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace canalarm::ui
