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

struct PortFacts {
  int number = 0;
  std::string device;    // what COMn resolves to; empty when nothing
  bool present = false;  // the device exists
  bool inUse = false;    // another program holds it
  bool noAccess = false; // this user may not open it
  std::string product;   // USB adapter's product name, if known
  std::string group;     // group owning the device (POSIX), if known
};

// Describes COMn as this machine has it. Opens the device for a moment to
// see whether it is free, as `canalarm ports` does.
PortFacts DescribePort(int n);

// How the window learns about a port; replaceable for tests.
using PortDescriber = std::function<PortFacts(int n)>;

// One item of the port list: "COM5  /dev/ttyUSB0 · FT232R USB UART",
// "COM2  – nothing there", "COM3  /dev/ttyS2 (in use)".
std::string PortItemText(const PortFacts& facts, Language language);

enum class PortOpenProblem { InUse, Permission, NoDevice, Other };

// Why an open of the port failed, from what the port looks like afterwards.
PortOpenProblem ClassifyOpenFailure(const PortFacts& facts);

// The log line after a failed open: the port, its device and the reason,
// for example "COM5 (/dev/ttyUSB0): permission denied – join the group
// dialout and log in again". `portError` is the port's own text, used when
// no reason is known.
std::string PortOpenFailureLine(const PortFacts& facts, Language language,
                                std::string_view portError);

}  // namespace canalarm::ui
