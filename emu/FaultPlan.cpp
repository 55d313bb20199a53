// SPDX-License-Identifier: MIT
#include "emu/FaultPlan.h"

#include <array>

namespace canalarm::emu {

namespace {

// Index into a sequence of `size` bytes; -1 means the last one.
std::size_t Position(int index, std::size_t size) {
  return index < 0 ? size - 1 : static_cast<std::size_t>(index);
}

}  // namespace

FaultPlan::FaultPlan(std::vector<Fault> faults, bool firstLinkOnly)
    : faults_(std::move(faults)), fired_(faults_.size(), false), firstLinkOnly_(firstLinkOnly) {}

void FaultPlan::NewLink() {
  if (!firstLinkOnly_) fired_.assign(faults_.size(), false);
}

bool FaultPlan::Due(std::size_t i, int packet) const {
  return !fired_[i] && faults_[i].packet == packet;
}

InputAction FaultPlan::OnInput(int packet, int index, bool last) {
  InputAction action;
  const std::string where = "packet " + std::to_string(packet) + " byte " + std::to_string(index);
  for (std::size_t i = 0; i < faults_.size(); ++i) {
    const Fault& f = faults_[i];
    if (!Due(i, packet)) continue;
    const bool inbound = f.direction == Direction::kIn;
    const bool atByte = f.byteIndex < 0 ? last : f.byteIndex == index;
    switch (f.kind) {
      case FaultKind::kInsertGarbage:
        if (!inbound || index != 0) continue;
        action.garbageBefore += f.count;
        action.notes.push_back("fault: " + std::to_string(f.count) +
                               " garbage byte(s) received before " + where);
        break;
      case FaultKind::kDropByte:
        if (!inbound || !atByte) continue;
        action.drop = true;
        action.notes.push_back("fault: " + where + " lost");
        break;
      case FaultKind::kFlipBit:
        if (!inbound || !atByte) continue;
        action.flipMask ^= static_cast<std::uint8_t>(1u << f.bit);
        action.notes.push_back("fault: bit " + std::to_string(f.bit) + " of " + where + " flipped");
        break;
      case FaultKind::kVanish:
        // In the middle: the packet has begun and is not complete yet.
        if (index != 2) continue;
        action.vanish = true;
        action.notes.push_back("fault: line closed at " + where);
        break;
      case FaultKind::kDelayReply:
      case FaultKind::kShortReply:
        continue;
    }
    fired_[i] = true;
  }
  return action;
}

std::chrono::milliseconds FaultPlan::OnReply(int packet, std::vector<std::uint8_t>& wire,
                                             std::uint8_t key, std::vector<std::string>& notes) {
  std::chrono::milliseconds extra{0};
  const std::string reply = "reply to packet " + std::to_string(packet);
  for (std::size_t i = 0; i < faults_.size(); ++i) {
    const Fault& f = faults_[i];
    if (!Due(i, packet)) continue;
    const bool outbound = f.direction == Direction::kOut;
    switch (f.kind) {
      case FaultKind::kFlipBit: {
        if (!outbound || wire.empty()) continue;
        const std::size_t at = Position(f.byteIndex, wire.size());
        if (at >= wire.size()) continue;
        wire[at] ^= static_cast<std::uint8_t>(1u << f.bit);
        notes.push_back("fault: bit " + std::to_string(f.bit) + " of byte " + std::to_string(at) +
                        " of the " + reply + " flipped");
        break;
      }
      case FaultKind::kDropByte:
      case FaultKind::kShortReply: {
        if (f.kind == FaultKind::kDropByte && !outbound) continue;
        if (wire.empty()) continue;
        const std::size_t at =
            f.kind == FaultKind::kShortReply ? wire.size() - 1 : Position(f.byteIndex, wire.size());
        if (at >= wire.size()) continue;
        wire.erase(wire.begin() + static_cast<std::ptrdiff_t>(at));
        notes.push_back("fault: byte " + std::to_string(at) + " of the " + reply + " lost");
        break;
      }
      case FaultKind::kInsertGarbage: {
        if (!outbound) continue;
        const auto noise = Garbage(f.count, key);
        wire.insert(wire.begin(), noise.begin(), noise.end());
        notes.push_back("fault: " + std::to_string(f.count) + " garbage byte(s) before the " +
                        reply);
        break;
      }
      case FaultKind::kDelayReply:
        extra += f.delay;
        notes.push_back("fault: " + reply + " held back " + std::to_string(f.delay.count()) +
                        " ms");
        break;
      case FaultKind::kVanish:
        continue;
    }
    fired_[i] = true;
  }
  return extra;
}

std::vector<std::uint8_t> FaultPlan::Garbage(int count, std::uint8_t avoid) {
  static constexpr std::array<std::uint8_t, 7> kNoise{0xA5, 0x00, 0xFF, 0x3C, 0x96, 0xE1, 0x4B};
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; out.size() < static_cast<std::size_t>(count); ++i) {
    const std::uint8_t b = kNoise[i % kNoise.size()];
    if (b != avoid) out.push_back(b);
  }
  return out;
}

}  // namespace canalarm::emu
