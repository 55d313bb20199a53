// SPDX-License-Identifier: MIT
#include "ui/WindowLinkHost.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSocketNotifier>
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

std::size_t BarIndex(ProgressBarId bar) { return bar == ProgressBarId::Programming ? 0 : 1; }

}  // namespace

WindowLinkHost::WindowLinkHost(const LinkWidgets& widgets, const MessageSet& messages,
                               QTimer& ticker)
    : widgets_(widgets), messages_(messages), ticker_(&ticker) {
  waitLimit_.setSingleShot(true);
}

WindowLinkHost::~WindowLinkHost() = default;

void WindowLinkHost::AddLogLine(std::string_view text) {
  widgets_.log->appendPlainText(ToQString(text));
}

void WindowLinkHost::ClearLog() { widgets_.log->clear(); }

void WindowLinkHost::SetParameterStatus(std::string_view text) {
  widgets_.parameterStatus->setText(ToQString(text));
}

void WindowLinkHost::SetStatus(std::string_view text) { widgets_.status->setText(ToQString(text)); }

void WindowLinkHost::AddDumpLine(std::string_view text) {
  widgets_.dump->appendPlainText(ToQString(text));
}

void WindowLinkHost::SetProgress(ProgressBarId bar, int minimum, int maximum, int position) {
  QProgressBar* target =
      bar == ProgressBarId::Programming ? widgets_.programmingBar : widgets_.parametersBar;
  // An empty range would make QProgressBar show its busy animation.
  target->setRange(minimum, maximum > minimum ? maximum : minimum + 1);
  target->setValue(position);
  timeLeft_[BarIndex(bar)].Update(minimum, maximum, position, barClock_());
  ShowBarText(bar);
}

void WindowLinkHost::ShowBarText(ProgressBarId bar) {
  QProgressBar* target =
      bar == ProgressBarId::Programming ? widgets_.programmingBar : widgets_.parametersBar;
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
  // Wake-ups besides window events and the ticker: the port's descriptor, or
  // a short poll without one, and a limit in any case.
  const int handle = inputHandle_ ? inputHandle_() : -1;
  if (handle != inputDescriptor_) {
    input_.reset();
    inputDescriptor_ = handle;
    if (handle >= 0) {
      input_ = std::make_unique<QSocketNotifier>(handle, QSocketNotifier::Read);
      // The descriptor stays readable until its notice is taken; taking it
      // here keeps the next wait from waking at once.
      QObject::connect(input_.get(), &QSocketNotifier::activated, input_.get(), [this] {
        input_->setEnabled(false);
        if (acknowledgeInput_) acknowledgeInput_();
      });
    }
  }
  if (input_) input_->setEnabled(true);
  waitLimit_.start(handle >= 0 ? kWaitLimitMs : kPollMs);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  waitLimit_.stop();
  if (input_) input_->setEnabled(false);
}

void WindowLinkHost::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace canalarm::ui
