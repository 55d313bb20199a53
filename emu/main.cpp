// canalarm-emu: the CAN alarm module's bootloader on a pseudo-terminal, for
// tests, benchmarks and for trying the tool without a module.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

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

// A stop signal wakes the loop through this pipe.
int stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
  const char byte = 0;
  [[maybe_unused]] const auto ignored = write(stopPipe[1], &byte, 1);
}

void InstallStopSignals() {
  if (pipe(stopPipe) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  for (int fd : stopPipe) fcntl(fd, F_SETFD, FD_CLOEXEC);
  fcntl(stopPipe[1], F_SETFL, O_NONBLOCK);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

int Run(const canalarm::emu::EmuConfig& config) {
  using namespace canalarm::emu;
  const TimePoint start = Clock::now();
  InstallStopSignals();

  // All that can fail is set up before the path is printed: whoever reads it
  // finds the link in place.
  PtyPort port;
  std::optional<PortLink> link;
  if (config.linkCom) link.emplace(*config.linkCom, port.SlavePath());

  std::unique_ptr<Transcript> transcript;
  ModuleEmulator::EventSink events;
  if (!config.transcript.empty()) {
    transcript = std::make_unique<Transcript>(config.transcript, start);
    events = [t = transcript.get()](TimePoint at, std::string_view line) { t->Write(at, line); };
  }
  ModuleEmulator module(config.settings, config.eeprom, events);
  std::cout << port.SlavePath() << std::endl;

  std::cerr << "canalarm-emu: a module is waiting on " << port.SlavePath();
  if (link) std::cerr << " (COM" << *config.linkCom << ", " << link->Path().string() << ")";
  std::cerr << "; stop it with Ctrl+C" << std::endl;

  EmulatorLoop loop(port, module, config.loop);
  const LoopEnd end = loop.Run(stopPipe[0]);
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
