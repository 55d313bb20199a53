// SPDX-License-Identifier: MIT
// What the window tells about each of its ports COM1..COM12: the device a
// port resolves to, whether something is there, whether it can be opened,
// and for a USB adapter its product name; and, after a failed open, why.
// Qt-free: the texts come from texts/WindowTexts.h.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "texts/Language.h"

namespace canalarm::ui {

// What a port is, where it has no product name to go by.
enum class PortKindName { None, PseudoTerminal, Onboard };

struct PortFacts {
  int number = 0;
  std::string device;    // what COMn resolves to; empty when nothing
  bool present = false;  // the device exists
  bool inUse = false;    // another program holds it
  std::string holder;    // which, when known: "minicom (pid 812)"
  bool noAccess = false; // this user may not open it
  std::string product;   // USB adapter's product name, if known
  PortKindName kind = PortKindName::None;  // shown when there is no product
  std::string group;     // group owning the device (POSIX), if known
};

// Describes COMn as this machine has it, as `canalarm ports` does. On Linux
// the device is not opened: whether another program holds it comes from
// /proc and the lock folders.
PortFacts DescribePort(int n);

// How the window learns about a port; replaceable for tests.
using PortDescriber = std::function<PortFacts(int n)>;

// One item of the port list: "COM5  /dev/ttyUSB0 · FT232R USB UART",
// "COM2  – nothing there", "COM3  /dev/ttyS2 · on-board serial port (in use)".
std::string PortItemText(const PortFacts& facts, Language language);
// The item's state at its end, which the closed list keeps when it must cut
// the item short: " (in use)", " – nothing there"; empty when none.
std::string PortItemState(const PortFacts& facts, Language language);

enum class PortOpenProblem { InUse, Permission, NoDevice, Other };

// Why an open of the port failed, from what the port looks like afterwards.
PortOpenProblem ClassifyOpenFailure(const PortFacts& facts);

// The log line after a failed open: the port, its device and the reason,
// for example "COM5 (/dev/ttyUSB0): permission denied – join the group
// dialout and log in again", or "...: in use by another program – minicom
// (pid 812)" when the holder is known. `portError` is the port's own text,
// used when no reason is known.
std::string PortOpenFailureLine(const PortFacts& facts, Language language,
                                std::string_view portError);

}  // namespace canalarm::ui
