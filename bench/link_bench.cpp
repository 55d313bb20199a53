// SPDX-License-Identifier: MIT
// In-process figures of the link, against canalarm-emu on a pseudo-terminal:
//
//   link_bench upload DEVICE FILE.hexfw [BAUD]
//       a full default upload through the serial layer; prints the wall time
//       of the operation and of its packet phase (first FLASH packet to the
//       end), the processor time of the process meanwhile, and the
//       turnaround of every acknowledgement: from the packet's last byte
//       handed to WriteByte to the byte seen by WaitAck.
//   link_bench params-read DEVICE [BAUD]
//       a parameter read; prints how much of its 25-tick countdown was left.
//   link_bench load FILE.hexfw RUNS
//       loads the file RUNS times; prints the time of each load.
//
// Output: one JSON object on stdout. DEVICE must be a pseudo-terminal
// (/dev/pts/N); anything else is refused, so no real port is ever opened.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "TimedLinkPort.h"
#include "cli/TerminalHost.h"
#include "firmware/FirmwareLoad.h"
#include "link/FirmwareUpload.h"
#include "link/SerialLinkPort.h"
#include "link/ParameterTab.h"
#include "link/ParameterTransfer.h"
#include "serial/TSerlComPort.h"
#include "texts/Language.h"

using namespace canalarm;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return s(usage.ru_utime) + s(usage.ru_stime);
}

std::string Percentiles(std::vector<Clock::duration> values) {
  if (values.empty()) return "null";
  std::sort(values.begin(), values.end());
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  auto at = [&](double q) { return ms(values[std::min(values.size() - 1, std::size_t(q * double(values.size())))]); };
  std::ostringstream out;
  out << "{\"n\": " << values.size() << ", \"median_ms\": " << at(0.5) << ", \"p99_ms\": " << at(0.99)
      << ", \"max_ms\": " << ms(values.back()) << "}";
  return out.str();
}

bool IsPseudoTerminal(const std::string& device) {
  if (device.rfind("/dev/pts/", 0) == 0) return true;
  std::cerr << "link_bench: refusing " << device << ": not a pseudo-terminal\n";
  return false;
}

// The serial layer, the timing port and a quiet terminal host.
struct Stack {
  explicit Stack(const std::string& device, int baud) {
    messages.Refill(Language::English);
    choice.devicePath = device;
    choice.baud = baud;
  }
  MessageSet messages;
  PortChoice choice;
  std::ostringstream out, err;
  serl::TSerlComPort component;
  SerialLinkPort serial{component};
  bench::TimedLinkPort port{serial};
  cli::TerminalHost host{out, err, messages, {}};
  BootloaderLink link{port, host};
};

int Upload(const std::string& device, const std::string& file, int baud) {
  Stack stack(device, baud);
  SharedImages shared;
  shared.firmwareFileName = file;
  const double cpu0 = ProcessorSeconds();
  const auto start = Clock::now();
  const LinkOutcome outcome = RunFirmwareUpload(stack.link, shared, stack.choice, UploadOptions{});
  stack.link.CloseAfterOutput();
  const auto end = Clock::now();
  const double cpu = ProcessorSeconds() - cpu0;
  auto turnarounds = stack.port.Turnarounds();
  if (!turnarounds.empty()) turnarounds.erase(turnarounds.begin());  // the wake-up's answer
  std::cout << "{\"outcome\": \"" << (outcome == LinkOutcome::Done ? "done" : "failed")
            << "\", \"wall_s\": " << Seconds(end - start)
            << ", \"packets_s\": " << Seconds(stack.port.LastWrite() - stack.port.FirstPacketWrite())
            << ", \"cpu_s\": " << cpu << ", \"acks\": " << Percentiles(turnarounds)
            << ", \"sends\": " << Percentiles(stack.port.Sends()) << "}\n";
  return outcome == LinkOutcome::Done ? 0 : 1;
}

int ParamsRead(const std::string& device, int baud) {
  Stack stack(device, baud);
  SharedImages shared;
  PlainParameterTab tab;
  const auto start = Clock::now();
  const LinkOutcome outcome = RunParameterRead(stack.link, shared, stack.choice, tab);
  const auto end = Clock::now();
  // The countdown keeps running after the read; its value now is what the
  // read left of its 25 ticks.
  const int left = stack.host.TheCountdown().Value();
  stack.link.Close();
  std::cout << "{\"outcome\": \"" << (outcome == LinkOutcome::Done ? "done" : "failed")
            << "\", \"ticks\": " << kParameterReadTicks << ", \"ticks_left\": " << left
            << ", \"wall_s\": " << Seconds(end - start) << "}\n";
  return outcome == LinkOutcome::Done ? 0 : 1;
}

int Load(const std::string& file, int runs) {
  std::vector<Clock::duration> times;
  for (int i = 0; i < runs; ++i) {
    FirmwareImages images;
    const auto start = Clock::now();
    const LoadResult result = LoadFirmware(file, true, images);
    times.push_back(Clock::now() - start);
    if (result.outcome != LoadOutcome::Loaded) {
      std::cerr << "link_bench: " << file << " did not load\n";
      return 1;
    }
  }
  std::cout << "{\"loads\": " << Percentiles(times) << ", \"ms\": [";
  for (std::size_t i = 0; i < times.size(); ++i)
    std::cout << (i ? ", " : "") << std::chrono::duration<double, std::milli>(times[i]).count();
  std::cout << "]}\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 3 && args[0] == "upload" && IsPseudoTerminal(args[1]))
    return Upload(args[1], args[2], args.size() > 3 ? std::atoi(args[3].c_str()) : 9600);
  if (args.size() >= 2 && args[0] == "params-read" && IsPseudoTerminal(args[1]))
    return ParamsRead(args[1], args.size() > 2 ? std::atoi(args[2].c_str()) : 9600);
  if (args.size() == 3 && args[0] == "load") return Load(args[1], std::atoi(args[2].c_str()));
  std::cerr << "usage: link_bench upload DEVICE FILE [BAUD] | params-read DEVICE [BAUD] | load FILE RUNS\n";
  return 2;
}
