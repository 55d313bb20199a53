// SPDX-License-Identifier: MIT
#include "ui/PortInputWatch.h"

#include <QWinEventNotifier>

namespace canalarm::ui {

PortInputWatch::PortInputWatch(std::intptr_t handle, std::function<void()> onActivity) {
  auto* notifier = new QWinEventNotifier(reinterpret_cast<Qt::HANDLE>(handle));
  notifier_.reset(notifier);
  notifier->setEnabled(false);
  // The event (manual reset) stays set until its notice is taken: off until
  // then, or the next wait would wake at once.
  QObject::connect(notifier, &QWinEventNotifier::activated, notifier,
                   [notifier, onActivity = std::move(onActivity)] {
                     notifier->setEnabled(false);
                     onActivity();
                   });
}

PortInputWatch::~PortInputWatch() = default;

void PortInputWatch::Enable(bool on) { static_cast<QWinEventNotifier*>(notifier_.get())->setEnabled(on); }

}  // namespace canalarm::ui
