// SPDX-License-Identifier: MIT
// How the window marks what went wrong and what went well: the kind of a
// log line or of an operation's result, and the colour each kind gets in
// the current palette (darker shades on a light background, lighter ones on
// a dark background, so a dark theme stays readable).
#pragma once

#include <QColor>

#include "texts/LanguageTables.h"

class QPalette;

namespace canalarm::ui {

enum class LineKind { Normal, Success, Warning, Failure };

// The kind of a message of the link's message set, as the log shows it.
LineKind KindOfMessage(MessageRole role);

// The colour of `kind` on `palette`'s background; Normal is the palette's text.
QColor KindColour(LineKind kind, const QPalette& palette);

}  // namespace canalarm::ui
