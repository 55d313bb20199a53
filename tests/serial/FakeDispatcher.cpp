// SPDX-License-Identifier: MIT
#include "FakeDispatcher.h"

#include <cstdio>

#include "serial/SerlErrors.h"

namespace canalarm::serl::test {

TFakeDispatcher::TFakeDispatcher(TSerlCustomComPort* owner) : TSerlBaseDispatcher(owner) {
  state_.BaudRate = 38400;
}

TFakeDispatcher::~TFakeDispatcher() { Destroy(); }

void TFakeDispatcher::Record(std::string call) {
  std::lock_guard g(m_);
  calls_.push_back(std::move(call));
}

std::vector<std::string> TFakeDispatcher::Calls() {
  std::lock_guard g(m_);
  return calls_;
}

std::vector<std::string> TFakeDispatcher::Calls(std::initializer_list<std::string_view> prefixes) {
  std::vector<std::string> out;
  for (auto& c : Calls()) {
    for (auto p : prefixes) {
      if (std::string_view(c).starts_with(p)) {
        out.push_back(c);
        break;
      }
    }
  }
  return out;
}

void TFakeDispatcher::ClearCalls() {
  std::lock_guard g(m_);
  calls_.clear();
}

void TFakeDispatcher::Receive(const std::vector<std::uint8_t>& bytes) {
  std::lock_guard g(m_);
  input_.insert(input_.end(), bytes.begin(), bytes.end());
  rxPending_ = true;
  cv_.notify_all();
}

std::size_t TFakeDispatcher::DriverInput() {
  std::lock_guard g(m_);
  return input_.size();
}

void TFakeDispatcher::HoldWrites() {
  std::lock_guard g(m_);
  holdWrites_ = true;
}

void TFakeDispatcher::AllowWrites(int count) {
  std::lock_guard g(m_);
  permits_ += count;
}

bool TFakeDispatcher::WriteWaiting() {
  std::lock_guard g(m_);
  return writeWaiting_;
}

std::vector<std::vector<std::uint8_t>> TFakeDispatcher::Writes() {
  std::lock_guard g(m_);
  return writes_;
}

int TFakeDispatcher::DevOpen(std::string_view path) {
  Record("open " + std::string(path));
  return 0;
}

int TFakeDispatcher::DevClose() {
  Record("close");
  return 0;
}

int TFakeDispatcher::DevSetQueueSizes(int inSize, int outSize) {
  Record("queues " + std::to_string(inSize) + " " + std::to_string(outSize));
  return 0;
}

int TFakeDispatcher::DevGetState(TSerlLineState& state) {
  std::lock_guard g(m_);
  state = state_;
  return 0;
}

int TFakeDispatcher::DevSetState(const TSerlLineState& state) {
  Record("setstate " + std::to_string(state.BaudRate) + " " + std::to_string(state.ByteSize) + " " +
         std::to_string(state.Parity) + " " + std::to_string(state.StopBits));
  std::lock_guard g(m_);
  state_ = state;
  return 0;
}

int TFakeDispatcher::DevEscape(int function) {
  Record("escape " + std::to_string(function));
  return 0;
}

int TFakeDispatcher::DevPurge(unsigned flags) {
  char text[32];
  std::snprintf(text, sizeof text, "purge 0x%02X", flags);
  Record(text);
  std::lock_guard g(m_);
  if (flags & purgeRxClear) input_.clear();
  return 0;
}

int TFakeDispatcher::DevClearError(std::uint32_t& errors, TSerlQueueStatus& status) {
  std::lock_guard g(m_);
  errors = 0;
  status.InQue = static_cast<std::uint32_t>(input_.size());
  status.OutQue = driverOutput_;
  return 0;
}

void TFakeDispatcher::SetDriverOutput(std::uint32_t count) {
  std::lock_guard g(m_);
  driverOutput_ = count;
}

int TFakeDispatcher::DevModemStatus(std::uint32_t& status) {
  status = msCts | msDsr;
  return 0;
}

int TFakeDispatcher::DevSetEventMask(std::uint32_t mask) {
  char text[32];
  std::snprintf(text, sizeof text, "mask 0x%X", mask);
  Record(text);
  std::lock_guard g(m_);
  mask_ = mask;
  cv_.notify_all();
  return 0;
}

int TFakeDispatcher::DevSetTimeouts() { return 0; }

int TFakeDispatcher::DevWaitEvent(std::uint32_t& events) {
  std::unique_lock g(m_);
  cv_.wait(g, [&] { return mask_ == 0 || rxPending_; });
  events = 0;
  if (mask_ != 0 && rxPending_) {
    rxPending_ = false;
    events = evRxChar;
  }
  return 0;
}

int TFakeDispatcher::DevRead(std::uint8_t* buffer, int n) {
  std::lock_guard g(m_);
  int count = 0;
  while (count < n && !input_.empty()) {
    buffer[count++] = input_.front();
    input_.pop_front();
  }
  return count;
}

void TFakeDispatcher::AbortNextWrite() {
  std::lock_guard g(m_);
  abortNext_ = true;
}

int TFakeDispatcher::DevWrite(const std::uint8_t* data, int n, TSerlEvent& abort) {
  for (;;) {
    {
      std::lock_guard g(m_);
      if (abortNext_) {
        abortNext_ = false;
        calls_.push_back("write aborted by the driver");
        return -sysOperationAborted;
      }
      if (!holdWrites_ || permits_ > 0) {
        if (holdWrites_) --permits_;
        writeWaiting_ = false;
        writes_.emplace_back(data, data + n);
        return n;
      }
      writeWaiting_ = true;
    }
    if (abort.Wait(1)) {
      std::lock_guard g(m_);
      writeWaiting_ = false;
      calls_.push_back("write aborted");
      return -sysOperationAborted;
    }
  }
}

void TFakeDispatcher::SleepMs(unsigned ms) { Record("sleep " + std::to_string(ms)); }

}  // namespace canalarm::serl::test
