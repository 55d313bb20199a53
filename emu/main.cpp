// SPDX-License-Identifier: MIT
// canalarm-emu: the CAN alarm module's bootloader on a pseudo-terminal, for
// tests, benchmarks and for trying the tool without a module.
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "emu/EepromContents.h"
#include "emu/EmuCommandLine.h"
#include "emu/EmulatorLoop.h"
#include "emu/ModuleEmulator.h"
#include "emu/PortLink.h"
#include "emu/PtyPort.h"
#include "emu/Transcript.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The stop signals, SIGUSR1 that makes the module hang and SIGUSR2 that
// restarts it, are blocked and
// taken from a signalfd in the loop's own poll: no asynchronous handler runs,
// so none can be deferred (as a sanitizer's interceptors do) past the moment
// the loop goes to sleep.
int BlockLoopSignals() {
  sigset_t taken;
  sigemptyset(&taken);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) sigaddset(&taken, sig);
  if (sigprocmask(SIG_BLOCK, &taken, nullptr) != 0)
    throw std::system_error(errno, std::generic_category(), "sigprocmask");
  const int fd = signalfd(-1, &taken, SFD_CLOEXEC | SFD_NONBLOCK);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "signalfd");
  std::signal(SIGPIPE, SIG_IGN);
  return fd;
}

int Run(const canalarm::emu::EmuConfig& config) {
  using namespace canalarm::emu;
  const TimePoint start = Clock::now();
  const int loopSignals = BlockLoopSignals();

  // All that can fail is set up before the path is printed: whoever reads it
  // finds the link in place.
  PtyPort port;
  std::optional<PortLink> link;
  if (config.linkCom) link.emplace(*config.linkCom, port.SlavePath(), config.replaceLink);

  std::unique_ptr<Transcript> transcript;
  ModuleEmulator::EventSink events;
  if (!config.transcript.empty()) {
    transcript = std::make_unique<Transcript>(config.transcript, start, config.transcriptMonotonic);
    events = [t = transcript.get()](TimePoint at, std::string_view line) { t->Write(at, line); };
  }
  ModuleEmulator module(config.settings, config.eeprom, events);
  std::cout << port.SlavePath() << std::endl;

  std::cerr << "canalarm-emu: a module is waiting on " << port.SlavePath();
  if (link) {
    std::cerr << " (COM" << *config.linkCom << ", " << link->Path().string();
    if (!link->Replaced().empty()) std::cerr << "; its link to " << link->Replaced() << " comes back at the end";
    std::cerr << ")";
  }
  std::cerr << "; stop it with Ctrl+C" << std::endl;

  EmulatorLoop loop(port, module, config.loop);
  const LoopEnd end = loop.Run(loopSignals);
  if (transcript) {
    transcript->Write(Clock::now(), end == LoopEnd::kVanished ? "line closed, exiting"
                                    : end == LoopEnd::kResets ? "reset count reached, exiting"
                                                              : "stopped");
  }
  if (!config.dumpFlash.empty()) WriteImageFile(config.dumpFlash, module.Flash());
  if (!config.dumpEeprom.empty()) WriteImageFile(config.dumpEeprom, module.Eeprom());
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  canalarm::emu::EmuCommandLine commandLine;
  try {
    commandLine.Parse(argc, argv);
  } catch (const CLI::Success& e) {
    return commandLine.App().exit(e);
  } catch (const CLI::ParseError& e) {
    commandLine.App().exit(e);
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "canalarm-emu: " << e.what() << std::endl;
    return kExitUsage;
  }
  try {
    return Run(commandLine.Config());
  } catch (const std::exception& e) {
    std::cerr << "canalarm-emu: " << e.what() << std::endl;
    return kExitFailed;
  }
}
