// SPDX-License-Identifier: MIT
// Test helpers for the serial layer: pseudo-terminal pairs, a private ports
// folder, and the guard that keeps every test away from real serial devices
// (on a build machine /dev/ttyS0 may be the system console).
//
// Usage:
//   TPortsFolder folder;          // private XDG_CONFIG_HOME, COM1-50 absent
//   TPtyPair pty;                 // the peer end is pty.Master()
//   folder.Bind(3, pty);          // COM3 -> pty.SlavePath()
//   RequireOnlyPseudoTerminalPorts();  // done by Bind; aborts otherwise
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SerlTestWait.h"

namespace canalarm::serl::test {

// Aborts the test program loudly unless path is a pseudo-terminal slave.
void RequirePseudoTerminal(const std::string& path);
// Aborts unless every COM1..COM50 resolves to a pseudo-terminal or to nothing.
void RequireOnlyPseudoTerminalPorts();

class TPtyPair {
 public:
  TPtyPair();  // raw mode on both ends
  ~TPtyPair();
  TPtyPair(const TPtyPair&) = delete;
  TPtyPair& operator=(const TPtyPair&) = delete;

  int Master() const { return master_; }
  // The test's own descriptor of the slave side: keeps the terminal alive
  // between opens and lets a test look at its queues and flags.
  int Slave() const { return slave_; }
  const std::string& SlavePath() const { return slavePath_; }

  // Peer side: write everything (waiting up to timeoutMs for room).
  bool PeerWrite(const std::vector<std::uint8_t>& bytes, int timeoutMs = 10000);
  // Peer side: read until n bytes came or timeoutMs passed.
  std::vector<std::uint8_t> PeerRead(std::size_t n, int timeoutMs = 10000);
  // Peer side: whatever arrives within quietMs of silence.
  std::vector<std::uint8_t> PeerDrain(int quietMs = 200);
  void CloseMaster();
  // Bytes waiting in the slave's receive queue (the port's driver queue).
  int SlaveInputQueued() const;
  // Fills the slave-to-master direction until the terminal takes no more.
  std::size_t FillTowardsPeer(std::uint8_t filler);

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

// Another process holding a pseudo-terminal's slave, as a terminal program
// holds the port it talks on: a child that keeps only that descriptor (the
// master closed), locked with flock when asked, until destroyed.
class TOtherHolder {
 public:
  TOtherHolder(const TPtyPair& pty, bool lock);
  ~TOtherHolder();
  TOtherHolder(const TOtherHolder&) = delete;
  TOtherHolder& operator=(const TOtherHolder&) = delete;
  int Pid() const { return pid_; }
  static constexpr const char* kName = "port-holder";

 private:
  int pid_ = -1;
  int release_ = -1;  // the child ends when this pipe's write end closes
};

class TPortsFolder {
 public:
  TPortsFolder();  // sets XDG_CONFIG_HOME to a new temporary folder
  ~TPortsFolder();  // restores it and removes the folder
  TPortsFolder(const TPortsFolder&) = delete;
  TPortsFolder& operator=(const TPortsFolder&) = delete;

  void Bind(int n, const TPtyPair& pty);
  // COMn points at a device that does not exist: MissingDevice(n).
  void BindMissing(int n);
  std::string MissingDevice(int n) const;

 private:
  void Link(int n, const std::string& target);
  std::string root_;
  std::string saved_;
  bool hadSaved_ = false;
};

}  // namespace canalarm::serl::test
