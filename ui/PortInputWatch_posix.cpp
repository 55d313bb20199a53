// SPDX-License-Identifier: MIT
#include "ui/PortInputWatch.h"

#include <QSocketNotifier>

namespace canalarm::ui {

PortInputWatch::PortInputWatch(std::intptr_t handle, std::function<void()> onActivity) {
  auto* notifier = new QSocketNotifier(static_cast<qintptr>(handle), QSocketNotifier::Read);
  notifier_.reset(notifier);
  notifier->setEnabled(false);
  // The descriptor stays readable until its notice is taken: off until then,
  // or the next wait would wake at once.
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [notifier, onActivity = std::move(onActivity)] {
                     notifier->setEnabled(false);
                     onActivity();
                   });
}

PortInputWatch::~PortInputWatch() = default;

void PortInputWatch::Enable(bool on) { static_cast<QSocketNotifier*>(notifier_.get())->setEnabled(on); }

}  // namespace canalarm::ui
