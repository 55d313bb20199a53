// SPDX-License-Identifier: MIT
// The brand logos and the program's icon, drawn at run time: a badge in the
// brand's colour with its name, sharp at any scaling.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

#include "texts/BrandVariants.h"

namespace canalarm::ui {

// The logo of `variant`, `size` logical pixels, for a screen of `pixelRatio`.
QPixmap BrandLogo(BrandVariant variant, QSize size, qreal pixelRatio);

// The window's icon: a shield with a key hole, in several sizes.
QIcon ProgramIcon();

}  // namespace canalarm::ui
