// SPDX-License-Identifier: MIT
// The faults a run was told to show, and when each one fires. Packets are
// numbered from 1 in every link; each fault fires once per link.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "emu/EmulatorSettings.h"

namespace canalarm::emu {

// What to do with one received wire byte.
struct InputAction {
  int garbageBefore = 0;           // feed this many invented bytes first
  bool drop = false;               // then lose the byte
  std::uint8_t flipMask = 0;       // or flip these bits of it
  bool vanish = false;             // close the line instead
  std::vector<std::string> notes;  // one line per fault that fired
};

class FaultPlan {
 public:
  // With firstLinkOnly, a fault that fired never fires again.
  explicit FaultPlan(std::vector<Fault> faults = {}, bool firstLinkOnly = false);

  // A new link starts: every fault may fire again (unless first link only).
  void NewLink();

  // For wire byte `index` (from 0, as received) of packet `packet`; `last` is
  // whether it would complete the packet.
  InputAction OnInput(int packet, int index, bool last);

  // Changes the masked reply to packet `packet` as the faults say; returns the
  // extra delay. `key` is the link key, which invented bytes never equal (so
  // an invented acknowledgement never reads as 0).
  std::chrono::milliseconds OnReply(int packet, std::vector<std::uint8_t>& wire, std::uint8_t key,
                                    std::vector<std::string>& notes);

  // `count` bytes that look like line noise, none of them equal to `avoid`.
  static std::vector<std::uint8_t> Garbage(int count, std::uint8_t avoid);

 private:
  bool Due(std::size_t i, int packet) const;

  std::vector<Fault> faults_;
  std::vector<bool> fired_;
  bool firstLinkOnly_ = false;
};

}  // namespace canalarm::emu
