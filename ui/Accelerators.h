// SPDX-License-Identifier: MIT
// Keyboard accelerators (Alt+letter) for the captions of one page, in
// whatever language they are written: each captioned button and each label
// that names a field gets the first letter of its caption that no other
// control of the page has taken yet, push buttons first. The captions' own
// texts stay as the language tables give them.
#pragma once

#include <QString>

class QWidget;

namespace canalarm::ui {

void AssignAccelerators(QWidget* page);

// A caption as shown, without its accelerator mark ("&&" is a literal '&').
QString WithoutAccelerator(const QString& caption);

// The accelerator's character of `caption` (upper case), or a null QChar.
QChar AcceleratorOf(const QString& caption);

}  // namespace canalarm::ui
