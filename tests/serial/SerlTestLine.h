// SPDX-License-Identifier: MIT
// A serial line for the port tests: the port under test at one end, the test
// as the peer at the other, on any platform.
//
// - POSIX: a new pseudo-terminal pair per line, bound as COMn in the private
//   ports folder that TTestPorts sets up; the peer is the master side.
// - Windows (under Wine): COMn is a pseudo-terminal that the test runner
//   (tests/wine) made and mapped in the Wine prefix before anything started;
//   the peer operations are carried out by the runner, which holds the
//   master side, over a local socket named by CANALARM_WINE_PEER. On real
//   Windows there is no such peer and the line tests skip.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SerlTestWait.h"

namespace canalarm::serl::test {

// Line settings as the device holds them, read from the peer's side.
struct TLineSettings {
  std::uint32_t baud = 0;
  int dataBits = 0;
  bool parity = false;
  bool twoStopBits = false;
  bool hardwareFlow = false;
  bool raw = false;  // no echo, no line editing, no signals, no output processing
};

// Where lines can come from; one per test. POSIX: a private ports folder with
// every COM1-50 masked. Windows: the runner's peer.
class TTestPorts {
 public:
  TTestPorts();
  ~TTestPorts();
  TTestPorts(const TTestPorts&) = delete;
  TTestPorts& operator=(const TTestPorts&) = delete;

  // False where this platform has no test lines (real Windows): skip then.
  static bool Available();
  // COMn names no device at all.
  void Mask(int n);

 private:
  struct State;
  std::unique_ptr<State> state_;
  friend class TTestLine;
};

class TTestLine {
 public:
  TTestLine(TTestPorts& ports, int comNumber);
  ~TTestLine();
  TTestLine(const TTestLine&) = delete;
  TTestLine& operator=(const TTestLine&) = delete;

  int ComNumber() const { return comNumber_; }
  // A path that the component's SetDevicePath takes for this line.
  std::string DevicePath() const;

  // Peer side: write everything (waiting up to timeoutMs for room).
  bool PeerWrite(const std::vector<std::uint8_t>& bytes, int timeoutMs = 10000);
  // Peer side: read until n bytes came or timeoutMs passed.
  std::vector<std::uint8_t> PeerRead(std::size_t n, int timeoutMs = 10000);
  // Peer side: whatever arrives within quietMs of silence.
  std::vector<std::uint8_t> PeerDrain(int quietMs = 200);
  // The peer hangs up: the device goes away under the port.
  void Vanish();
  // Bytes waiting in the port's driver receive queue.
  int DriverInputQueued();
  // Fills the port-to-peer direction until the line takes no more.
  std::size_t FillTowardsPeer(std::uint8_t filler);
  // The device's exclusive-use flag (always false where there is none).
  bool ExclusiveFlag();
  TLineSettings Settings();

 private:
  struct State;
  std::unique_ptr<State> state_;
  int comNumber_;
};

// True when this Windows program runs under Wine.
bool RunningUnderWine();

}  // namespace canalarm::serl::test
