// SPDX-License-Identifier: MIT
// The help window: the help lines of the chosen firmware file in a read-only
// memo. Modeless; closing it only hides it, and the next showing refills it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

namespace canalarm::ui {

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);

  // Replaces the text with `lines`, sets the caption and shows the window,
  // bringing it to the front when it is visible already. When it appears
  // it goes beside `owner` (see PositionBeside); a help window the user has
  // moved stays where it is.
  void ShowHelp(const QString& caption, const QStringList& lines, const QWidget* owner = nullptr);

  // Where the help window goes: beside `owner` on the side with more room
  // of `screen`, its top at owner's top, kept on the screen.
  static QPoint PositionBeside(const QRect& owner, const QSize& help, const QRect& screen);

  QPlainTextEdit* Memo() const { return memo_; }

 private:
  QPlainTextEdit* memo_;
};

}  // namespace canalarm::ui
