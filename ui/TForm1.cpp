// SPDX-License-Identifier: MIT
#include "ui/TForm1.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace canalarm::ui {

TForm1::TForm1(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Form1"));
  // Sizeable, with a minimise button but no maximise button.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  QFont helpFont(QStringLiteral("Tahoma"));
  helpFont.setPixelSize(11);
  setFont(helpFont);

  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(QStringLiteral("Memo1"));
  memo_->setReadOnly(true);
  memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(memo_);

  resize(366, 315);
  move(345, 204);
}

void TForm1::ShowHelp(const QString& caption, const QStringList& lines) {
  memo_->clear();
  for (const QString& line : lines) memo_->appendPlainText(line);
  memo_->moveCursor(QTextCursor::Start);
  setWindowTitle(caption);
  show();
  raise();
  activateWindow();
}

}  // namespace canalarm::ui
