// SPDX-License-Identifier: MIT
// A port for link tests: records what is written and delivers scripted
// bytes at times of a virtual clock shared with TestLinkHost.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/LinkPort.h"

namespace canalarm::test {

using VirtualTime = std::chrono::steady_clock::time_point;

class FakeLinkPort : public LinkPort {
 public:
  explicit FakeLinkPort(const VirtualTime& now) : now_(now) {}

  // Called for every byte written; may queue answers with Deliver().
  std::function<void(std::uint8_t)> onWrite;
  // Called when RTS changes (the module restarts on the pulse).
  std::function<void(bool)> onRts;
  // Makes Open() throw.
  bool failOpen = false;

  std::vector<std::uint8_t> written;
  std::vector<std::string> calls;  // Select, Open, Close, RTS+/RTS-, ClearInput

  // Queues `byte` to arrive `delay` after now.
  void Deliver(std::uint8_t byte, std::chrono::milliseconds delay = {}) {
    incoming_.push_back({now_ + delay, byte});
  }
  // When the next scripted byte arrives, if any.
  std::optional<VirtualTime> NextArrival() const {
    if (incoming_.empty()) return std::nullopt;
    return incoming_.front().at;
  }

  void Select(const PortChoice& choice) override { calls.push_back("Select " + choice.Name()); }
  void Open() override {
    if (failOpen) throw std::runtime_error("cannot open");
    open_ = true;
    calls.push_back("Open");
  }
  void Close() override {
    open_ = false;
    calls.push_back("Close");
  }
  bool IsOpen() const override { return open_; }
  void SetRts(bool on) override {
    calls.push_back(on ? "RTS+" : "RTS-");
    if (onRts) onRts(on);
  }
  void ClearInput() override {
    // Only what has arrived by now is discarded.
    while (!incoming_.empty() && incoming_.front().at <= now_) incoming_.pop_front();
    calls.push_back("ClearInput");
  }
  void WriteByte(std::uint8_t byte) override {
    if (!open_) throw std::runtime_error("write on a closed port");
    written.push_back(byte);
    if (onWrite) onWrite(byte);
  }
  bool ByteAvailable() override { return !incoming_.empty() && incoming_.front().at <= now_; }
  std::uint8_t ReadByte() override {
    if (!ByteAvailable()) throw std::runtime_error("ReadByte on an empty port");
    const std::uint8_t byte = incoming_.front().byte;
    incoming_.pop_front();
    return byte;
  }
  bool DrainOutput(std::chrono::milliseconds) override {
    calls.push_back("Drain");
    return true;
  }
  void WaitForInput(std::chrono::steady_clock::time_point) override {}

 private:
  struct Arrival {
    VirtualTime at;
    std::uint8_t byte;
  };
  const VirtualTime& now_;
  std::deque<Arrival> incoming_;
  bool open_ = false;
};

}  // namespace canalarm::test
