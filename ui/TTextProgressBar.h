// SPDX-License-Identifier: MIT
// A progress bar whose text reads whole wherever the fill ends. Styles such
// as Fusion draw the part of the text over the fill in another colour, which
// cuts a word (or a letter) in two where the fill ends; here the text is drawn
// once, in the text colour, ringed with the base colour so that it reads over
// the fill and over the empty groove alike; over a full bar, in the colour of
// text on the fill.
#pragma once

#include <QProgressBar>

namespace canalarm::ui {

class TTextProgressBar : public QProgressBar {
 public:
  using QProgressBar::QProgressBar;

  // Room for "100%", whatever the style's chunks: a style with wide chunks
  // (Windows) would otherwise ask for over 350 px.
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace canalarm::ui
