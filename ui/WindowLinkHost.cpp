// SPDX-License-Identifier: MIT
#include "ui/WindowLinkHost.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTime>
#include <QTimer>
#include <thread>

#include "link/LinkPort.h"
#include "ui/QtText.h"
#include "texts/WindowTexts.h"

namespace canalarm::ui {

namespace {

// The longest a wait sleeps without a wake-up of its own; ticks and bytes
// normally end it much sooner.
constexpr int kWaitLimitMs = 50;
// Without an input descriptor the port can only be polled: often enough for
// replies, rarely enough to leave the processor idle.
constexpr int kPollMs = 5;

}  // namespace

WindowLinkHost::WindowLinkHost(const LinkWidgets& widgets, const MessageSet& messages,
                               QTimer& ticker)
    : widgets_(widgets), messages_(messages), ticker_(&ticker) {
  waitLimit_.setSingleShot(true);
}

WindowLinkHost::~WindowLinkHost() = default;

void WindowLinkHost::AddLogLine(std::string_view text) { AddLogLine(text, LineKind::Normal); }

void WindowLinkHost::AddLogLine(std::string_view text, LineKind kind) {
  QPlainTextEdit* log = widgets_.log;
  QScrollBar* scroll = log->verticalScrollBar();
  const bool atEnd = scroll->value() == scroll->maximum();
  // Each line gets its own format: a new block would otherwise carry on the
  // colour of the line before.
  QTextCharFormat format;
  if (kind != LineKind::Normal) {
    format.setForeground(KindColour(kind, log->palette()));
    format.setFontWeight(QFont::Bold);
  }
  QTextCursor cursor(log->document());
  cursor.movePosition(QTextCursor::End);
  if (!log->document()->isEmpty()) cursor.insertBlock(QTextBlockFormat(), format);
  // Each line says when: a log saved or sent on tells what happened when.
  cursor.insertText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) + ToQString(text), format);
  if (atEnd) scroll->setValue(scroll->maximum());
}

void WindowLinkHost::AddLogMessage(MessageRole role) {
  FollowWait(role, false);
  AddLogLine(messages_.Text(role), KindOfMessage(role));
  if (role == MessageRole::msgNoBootloader) AddLogLine(Text(language_, WindowText::NoBootloaderHint));
}

void WindowLinkHost::ClearLog() { widgets_.log->clear(); }

void WindowLinkHost::SetParameterStatus(std::string_view text) {
  for (MessageRole role : {MessageRole::msgSearching, MessageRole::msgOK, MessageRole::msgCancelled,
                           MessageRole::msgNoBootloader})
    if (text == messages_.Text(role)) FollowWait(role, true);
  widgets_.parameterStatus->setText(ToQString(text));
}

void WindowLinkHost::FollowWait(MessageRole role, bool parametersTab) {
  const ProgressBarId bar = parametersTab ? ProgressBarId::Parameters : ProgressBarId::Programming;
  QProgressBar* target = Bar(bar);
  bool& waiting = waiting_[BarIndex(bar)];
  if (role == MessageRole::msgSearching) {
    ClearResult(bar);
    waiting = true;
    // An empty range: the bar's busy indicator, not a countdown.
    target->setRange(0, 0);
    target->setFormat(ToQString(Text(language_, WindowText::Waiting)));
  } else if (waiting && (role == MessageRole::msgOK || role == MessageRole::msgCancelled ||
                         role == MessageRole::msgNoBootloader)) {
    waiting = false;
    target->setRange(0, 100);
    target->setValue(0);
    ShowBarText(bar);
  }
}

QProgressBar* WindowLinkHost::Bar(ProgressBarId bar) const {
  return bar == ProgressBarId::Programming ? widgets_.programmingBar : widgets_.parametersBar;
}

void WindowLinkHost::ShowResult(ProgressBarId bar, LineKind kind, const QString& text) {
  QProgressBar* target = Bar(bar);
  waiting_[BarIndex(bar)] = false;
  showingResult_[BarIndex(bar)] = true;
  target->setRange(0, 100);
  target->setValue(kind == LineKind::Success ? 100 : 0);
  QPalette palette = target->palette();
  const QColor colour = KindColour(kind, QPalette());
  palette.setColor(QPalette::Text, colour);
  palette.setColor(QPalette::WindowText, colour);
  if (kind == LineKind::Success) palette.setColor(QPalette::Highlight, colour);
  target->setPalette(palette);
  QFont font = target->font();
  font.setBold(true);
  target->setFont(font);
  target->setFormat(QString(text).replace(QLatin1Char('%'), QStringLiteral("%%")));
}

void WindowLinkHost::BeginOperation() {
  for (ProgressBarId bar : {ProgressBarId::Programming, ProgressBarId::Parameters}) {
    waiting_[BarIndex(bar)] = false;
    ClearResult(bar);
  }
}

void WindowLinkHost::ClearResult(ProgressBarId bar) {
  if (!showingResult_[BarIndex(bar)]) return;
  showingResult_[BarIndex(bar)] = false;
  QProgressBar* target = Bar(bar);
  target->setPalette(QPalette());
  target->setFont(QFont());
  target->setRange(0, 100);
  target->setValue(0);
  target->setFormat(QStringLiteral("%p%"));
}

void WindowLinkHost::SetStatus(std::string_view text) { widgets_.status->setText(ToQString(text)); }

void WindowLinkHost::AddDumpLine(std::string_view text) {
  widgets_.dump->appendPlainText(ToQString(text));
}

void WindowLinkHost::SetProgress(ProgressBarId bar, int minimum, int maximum, int position) {
  ClearResult(bar);
  // While the bootloader is awaited the bar stays busy: the countdown is no
  // progress.
  if (waiting_[BarIndex(bar)]) return;
  QProgressBar* target = Bar(bar);
  // An empty range would make QProgressBar show its busy animation.
  target->setRange(minimum, maximum > minimum ? maximum : minimum + 1);
  target->setValue(position);
  timeLeft_[BarIndex(bar)].Update(minimum, maximum, position, barClock_());
  ShowBarText(bar);
}

void WindowLinkHost::ShowBarText(ProgressBarId bar) {
  if (waiting_[BarIndex(bar)] || showingResult_[BarIndex(bar)]) return;
  QProgressBar* target = Bar(bar);
  QString format = QStringLiteral("%p%");
  const std::optional<int> left =
      showTimeLeft_ ? timeLeft_[BarIndex(bar)].SecondsLeft(barClock_())
                    : std::nullopt;
  if (left) {
    // A '%' of the text itself would be read as a placeholder.
    format += QStringLiteral(" \u00B7 ") +
              ToQString(FillIn(Text(language_, WindowText::TimeLeft), MinutesSeconds(*left)))
                  .replace(QLatin1Char('%'), QStringLiteral("%%"));
  }
  if (target->format() != format) target->setFormat(format);
}

void WindowLinkHost::ShowTimeLeft(bool on) {
  showTimeLeft_ = on;
  for (ProgressTimeLeft& estimate : timeLeft_) estimate = ProgressTimeLeft{};
  ShowBarText(ProgressBarId::Programming);
  ShowBarText(ProgressBarId::Parameters);
}

void WindowLinkHost::Tick() {
  // A timeout queued before a Cancel or the last tick must not count.
  if (countdown_.TickerEnabled()) countdown_.Tick();
  SyncTicker();
}

void WindowLinkHost::Cancel() {
  countdown_.Cancel();
  SyncTicker();
}

void WindowLinkHost::SyncTicker() {
  if (!ticker_) return;
  if (countdown_.TickerEnabled()) {
    if (!ticker_->isActive()) ticker_->start();
  } else if (ticker_->isActive()) {
    ticker_->stop();
  }
}

void WindowLinkHost::ProcessEvents() {
  SyncTicker();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WindowLinkHost::WaitForActivity(LinkPort& port) {
  SyncTicker();
  if (port.ByteAvailable()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  // Wake-ups besides window events and the ticker: the port's notification
  // handle, or a short poll without one, and a limit in any case.
  const std::intptr_t handle = inputHandle_ ? inputHandle_() : -1;
  if (handle != inputHandleWatched_) {
    input_.reset();
    inputHandleWatched_ = handle;
    if (handle != -1) {
      input_ = std::make_unique<PortInputWatch>(handle, [this] {
        if (acknowledgeInput_) acknowledgeInput_();
      });
    }
  }
  if (input_) input_->Enable(true);
  waitLimit_.start(input_ ? kWaitLimitMs : kPollMs);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  waitLimit_.stop();
  if (input_) input_->Enable(false);
}

void WindowLinkHost::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace canalarm::ui
