// SPDX-License-Identifier: MIT
// Wakes the window's event loop when the serial port has news. It watches the
// port's notification handle in Qt's event loop: a descriptor that turns
// readable (POSIX, QSocketNotifier) or an event that is set (Windows,
// QWinEventNotifier). When it fires, it turns itself off and calls
// `onActivity`, which takes the notice; Enable(true) watches again.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

namespace canalarm::ui {

class PortInputWatch {
 public:
  PortInputWatch(std::intptr_t handle, std::function<void()> onActivity);
  ~PortInputWatch();
  PortInputWatch(const PortInputWatch&) = delete;
  PortInputWatch& operator=(const PortInputWatch&) = delete;

  void Enable(bool on);

 private:
  std::unique_ptr<QObject> notifier_;
};

}  // namespace canalarm::ui
