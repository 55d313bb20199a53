// SPDX-License-Identifier: MIT
// The help window: the help lines of the chosen firmware file in a read-only
// memo. Modeless; closing it only hides it, and the next showing refills it.
#pragma once

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
  // bringing it to the front when it is visible already.
  void ShowHelp(const QString& caption, const QStringList& lines);

  QPlainTextEdit* Memo() const { return memo_; }

 private:
  QPlainTextEdit* memo_;
};

}  // namespace canalarm::ui
