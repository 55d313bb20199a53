// SPDX-License-Identifier: MIT
#include "ui/StatusColours.h"

#include <QPalette>

namespace canalarm::ui {

LineKind KindOfMessage(MessageRole role) {
  switch (role) {
    case MessageRole::msgNoBootloader:
    case MessageRole::msgFileReadError:
    case MessageRole::msgPortOpenError:
    case MessageRole::msgCommError:
    case MessageRole::msgFlashWriteError:
    case MessageRole::msgEepromWriteError:
    case MessageRole::msgNoFileSelected:
      return LineKind::Failure;
    case MessageRole::msgCancelled:
    case MessageRole::msgNoFlashData:
    case MessageRole::msgNoEepromData:
    case MessageRole::msgIncompleteFirmware:
    case MessageRole::msgPinIncomplete:
    case MessageRole::msgNoPinSet:
      return LineKind::Warning;
    case MessageRole::msgDone:
      return LineKind::Success;
    default:
      return LineKind::Normal;
  }
}

QColor KindColour(LineKind kind, const QPalette& palette) {
  const bool dark = palette.color(QPalette::Base).lightness() < 128;
  switch (kind) {
    case LineKind::Failure:
      return dark ? QColor(0xFF, 0x7B, 0x7B) : QColor(0xB0, 0x00, 0x20);
    case LineKind::Warning:
      return dark ? QColor(0xFF, 0xC1, 0x5E) : QColor(0x8A, 0x4B, 0x00);
    case LineKind::Success:
      return dark ? QColor(0x7B, 0xD8, 0x8F) : QColor(0x1B, 0x6E, 0x2A);
    case LineKind::Normal:
      break;
  }
  return palette.color(QPalette::Text);
}

}  // namespace canalarm::ui
