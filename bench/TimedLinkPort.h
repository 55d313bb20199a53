// SPDX-License-Identifier: MIT
// A LinkPort that passes everything to another one and notes the times the
// turnaround benchmark needs: the last byte handed to WriteByte, and each
// byte taken by ReadByte (which the link calls only once ByteAvailable was
// true, that is when WaitAck or ReadReply has seen the byte).
#pragma once

#include <chrono>
#include <vector>

#include "link/LinkPort.h"

namespace canalarm::bench {

class TimedLinkPort : public LinkPort {
 public:
  using Clock = std::chrono::steady_clock;

  explicit TimedLinkPort(LinkPort& inner) : inner_(inner) {}

  // One entry per byte read: the time since the last byte written before it.
  const std::vector<Clock::duration>& Turnarounds() const { return turnarounds_; }
  // One entry per packet after a read: from the byte read to the packet's
  // last byte handed to WriteByte (framing and queueing, the tool's share).
  const std::vector<Clock::duration>& Sends() const { return sends_; }
  // When the first and the latest byte of a packet (a write after a read)
  // were handed over; the wake-up's writes come before the first read.
  Clock::time_point FirstPacketWrite() const { return firstPacketWrite_; }
  Clock::time_point LastWrite() const { return lastWrite_; }

  void Select(const PortChoice& choice) override { inner_.Select(choice); }
  void Open() override { inner_.Open(); }
  void Close() override { inner_.Close(); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  void SetRts(bool on) override { inner_.SetRts(on); }
  void ClearInput() override { inner_.ClearInput(); }
  void WriteByte(std::uint8_t byte) override {
    inner_.WriteByte(byte);
    lastWrite_ = Clock::now();
    if (readSeen_ && firstPacketWrite_ == Clock::time_point{}) firstPacketWrite_ = lastWrite_;
  }
  bool ByteAvailable() override { return inner_.ByteAvailable(); }
  std::uint8_t ReadByte() override {
    const auto now = Clock::now();
    if (readSeen_ && lastWrite_ > lastRead_) sends_.push_back(lastWrite_ - lastRead_);
    turnarounds_.push_back(now - lastWrite_);
    lastRead_ = now;
    readSeen_ = true;
    return inner_.ReadByte();
  }
  bool DrainOutput(std::chrono::milliseconds limit) override { return inner_.DrainOutput(limit); }
  void WaitForInput(Clock::time_point deadline) override { inner_.WaitForInput(deadline); }
  std::intptr_t InputNotifyHandle() const override { return inner_.InputNotifyHandle(); }
  void TakeInputNotify() override { inner_.TakeInputNotify(); }

 private:
  LinkPort& inner_;
  std::vector<Clock::duration> turnarounds_;
  std::vector<Clock::duration> sends_;
  Clock::time_point lastRead_{};
  Clock::time_point lastWrite_{};
  Clock::time_point firstPacketWrite_{};
  bool readSeen_ = false;
};

}  // namespace canalarm::bench
