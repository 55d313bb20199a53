// SPDX-License-Identifier: MIT
// A dispatcher whose device is a recording fake: every driver call is logged
// as a short text ("escape 5", "setstate 9600 8 0 0", "purge 0x0A",
// "sleep 19", ...), received bytes are injected with Receive, and writes can
// be held back to keep the output thread inside a device write.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "serial/TSerlBaseDispatcher.h"

namespace canalarm::serl::test {

class TFakeDispatcher final : public TSerlBaseDispatcher {
 public:
  explicit TFakeDispatcher(TSerlCustomComPort* owner = nullptr);
  ~TFakeDispatcher() override;

  std::vector<std::string> Calls();
  // Calls that start with one of the prefixes, in order.
  std::vector<std::string> Calls(std::initializer_list<std::string_view> prefixes);
  void ClearCalls();

  void Receive(const std::vector<std::uint8_t>& bytes);
  std::size_t DriverInput();
  // While held, a write waits until AllowWrites grants it (or it is aborted).
  void HoldWrites();
  void AllowWrites(int count);
  // The next write ends "operation aborted" without anyone asking, as a
  // Windows driver may end an overlapped write.
  void AbortNextWrite();
  bool WriteWaiting();
  // Bytes the fake driver reports as still to be sent (TIOCOUTQ).
  void SetDriverOutput(std::uint32_t count);
  std::vector<std::vector<std::uint8_t>> Writes();

 protected:
  int DevOpen(std::string_view path) override;
  int DevClose() override;
  int DevSetQueueSizes(int inSize, int outSize) override;
  int DevGetState(TSerlLineState& state) override;
  int DevSetState(const TSerlLineState& state) override;
  int DevEscape(int function) override;
  int DevPurge(unsigned flags) override;
  int DevClearError(std::uint32_t& errors, TSerlQueueStatus& status) override;
  int DevModemStatus(std::uint32_t& status) override;
  int DevSetEventMask(std::uint32_t mask) override;
  int DevSetTimeouts() override;
  int DevWaitEvent(std::uint32_t& events) override;
  int DevRead(std::uint8_t* buffer, int n) override;
  int DevWrite(const std::uint8_t* data, int n, TSerlEvent& abort) override;
  void SleepMs(unsigned ms) override;

 private:
  void Record(std::string call);

  std::mutex m_;
  std::condition_variable cv_;
  std::vector<std::string> calls_;
  TSerlLineState state_;
  std::deque<std::uint8_t> input_;
  bool rxPending_ = false;
  std::uint32_t mask_ = 0;
  bool holdWrites_ = false;
  int permits_ = 0;
  bool writeWaiting_ = false;
  bool abortNext_ = false;
  std::uint32_t driverOutput_ = 0;
  std::vector<std::vector<std::uint8_t>> writes_;
};

}  // namespace canalarm::serl::test
