// SPDX-License-Identifier: MIT
// Captions of the window's controls, addressed by control name: the text of
// a button, the title of a group box, the text of a tab page's tab.
#pragma once

#include <QString>

class QWidget;

namespace canalarm::ui {

// Sets the caption of the control named `name` under `root`; false when no
// such control, or one without a caption, exists. Texts are shown as they
// stand ('&' makes no shortcut).
bool SetCaption(QWidget* root, const QString& name, const QString& text);

// The caption as set, or a null string.
QString CaptionOf(QWidget* root, const QString& name);

}  // namespace canalarm::ui
