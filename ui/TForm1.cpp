// SPDX-License-Identifier: MIT
#include "ui/TForm1.h"

#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

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
  // Esc closes it, as it closes it from the main window.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void TForm1::ShowHelp(const QString& caption, const QStringList& lines, const QWidget* owner) {
  const bool appears = !isVisible();
  memo_->clear();
  for (const QString& line : lines) memo_->appendPlainText(line);
  memo_->moveCursor(QTextCursor::Start);
  setWindowTitle(caption);
  show();
  raise();
  activateWindow();
  // Placed once shown, when its frame's size is final.
  if (appears && owner != nullptr) {
    const QScreen* screen = owner->screen();
    move(PositionBeside(owner->frameGeometry(), frameGeometry().size(),
                        screen != nullptr ? screen->availableGeometry() : QRect()));
  }
}

QPoint TForm1::PositionBeside(const QRect& owner, const QSize& help, const QRect& screen) {
  constexpr int kGap = 8;
  if (!screen.isValid()) return {owner.right() + 1 + kGap, owner.top()};
  const int roomRight = screen.right() - owner.right();
  const int roomLeft = owner.left() - screen.left();
  int x = roomRight >= help.width() + kGap || roomRight >= roomLeft
              ? owner.right() + 1 + kGap
              : owner.left() - kGap - help.width();
  int y = owner.top();
  // Kept whole on the screen where it fits; its top-left corner in any case.
  x = std::max(screen.left(), std::min(x, screen.right() + 1 - help.width()));
  y = std::max(screen.top(), std::min(y, screen.bottom() + 1 - help.height()));
  return {x, y};
}

}  // namespace canalarm::ui
