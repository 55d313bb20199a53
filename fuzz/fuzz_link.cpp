// SPDX-License-Identifier: MIT
// The link steps and the operations on them (version read, upload, parameter
// read and write) against a port that answers with arbitrary bytes at
// arbitrary times, or with the emulated module under arbitrary faults, all on
// a virtual clock. Every operation must end (no wait for nothing, bounded
// virtual time), must not touch a closed port or read a byte that isn't
// there, must refuse a parameter write without a complete read, and must not
// report success when the module does not hold what was sent.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "FakeLinkPort.h"
#include "FuzzSupport.h"
#include "TestLinkHost.h"
#include "emu/ModuleEmulator.h"
#include "link/FirmwareUpload.h"
#include "link/VersionRead.h"
#include "link/ParameterTransfer.h"

using namespace canalarm;
using namespace canalarm::fuzz;
using std::chrono::milliseconds;

namespace {

// The device went away: every later call on the port fails, as a vanished
// serial device does.
struct PortGone : std::runtime_error {
  PortGone() : std::runtime_error("port gone") {}
};

class FuzzPort : public test::FakeLinkPort {
 public:
  using FakeLinkPort::FakeLinkPort;
  bool gone = false;
  void WriteByte(std::uint8_t byte) override {
    if (gone) throw PortGone();
    FakeLinkPort::WriteByte(byte);
  }
  bool ByteAvailable() override {
    if (gone) throw PortGone();
    return FakeLinkPort::ByteAvailable();
  }
};

const PortChoice kCom1{1, "", 9600};
constexpr auto kVirtualLimit = std::chrono::minutes(30);

const char kDemoHex[] =
    ":0400000000EF01F01C\n"
    ":10020000000102030405060708090A0B0C0D0E0F76\n"
    ":10021000101112131415161718191A1B1C1D1E1F66\n"
    ":0200000400F00A\n"
    ":0400000001020304F2\n"
    ":00000001FF\n";

emu::EmulatorSettings SettingsFrom(FuzzedDataProvider& in, bool& inboundFaults) {
  emu::EmulatorSettings settings;
  settings.identity = {in.ConsumeIntegral<std::uint8_t>(), in.ConsumeIntegral<std::uint8_t>()};
  settings.answerAfter = in.ConsumeIntegralInRange(0, 4);
  settings.garbage = in.ConsumeIntegralInRange(0, 4);
  settings.replyDelay = milliseconds(in.ConsumeIntegralInRange(0, 4000));
  if (in.ConsumeBool()) settings.silentAfter = in.ConsumeIntegralInRange(0, 20);
  const int errors = in.ConsumeIntegralInRange(0, 2);
  for (int i = 0; i < errors; ++i) {
    emu::ErrorAt error;
    error.memory = in.ConsumeBool() ? emu::Memory::kFlash : emu::Memory::kEeprom;
    error.block = in.ConsumeIntegralInRange(0u, 40u);
    error.code = in.ConsumeIntegralInRange<std::uint8_t>(1, 255);
    settings.errors.push_back(error);
  }
  const int faults = in.ConsumeIntegralInRange(0, 3);
  for (int i = 0; i < faults; ++i) {
    emu::Fault fault;
    fault.kind = static_cast<emu::FaultKind>(in.ConsumeIntegralInRange(0, 5));
    fault.direction = in.ConsumeBool() ? emu::Direction::kIn : emu::Direction::kOut;
    fault.packet = in.ConsumeIntegralInRange(1, 24);
    fault.byteIndex = in.ConsumeIntegralInRange(-1, 22);
    fault.bit = in.ConsumeIntegralInRange(0, 7);
    fault.count = in.ConsumeIntegralInRange(1, 5);
    fault.delay = milliseconds(in.ConsumeIntegralInRange(0, 6000));
    const bool wire = fault.kind == emu::FaultKind::kFlipBit ||
                      fault.kind == emu::FaultKind::kDropByte ||
                      fault.kind == emu::FaultKind::kInsertGarbage;
    if (wire && fault.direction == emu::Direction::kIn) inboundFaults = true;
    settings.faults.push_back(fault);
  }
  return settings;
}

struct Bench {
  test::TestLinkHost host;
  FuzzPort port{host.now};
  BootloaderLink link{port, host};
  std::unique_ptr<emu::ModuleEmulator> module;
  SharedImages shared;
  PlainParameterTab tab;
};

// Every written byte reaches the emulated module; its replies arrive when it
// lets them go.
void AttachModule(Bench& bench, const emu::EmulatorSettings& settings, const emu::EepromImage& eeprom) {
  bench.module = std::make_unique<emu::ModuleEmulator>(settings, eeprom);
  bench.port.onWrite = [&bench](std::uint8_t byte) {
    bench.module->Receive(byte, bench.host.now);
    for (const emu::Reply& reply : bench.module->TakeReplies()) {
      const auto delay = std::max(reply.notBefore, bench.host.now) - bench.host.now;
      for (std::uint8_t b : reply.bytes)
        bench.port.Deliver(b, std::chrono::duration_cast<milliseconds>(delay));
    }
    if (bench.module->Vanished()) bench.port.gone = true;
  };
  bench.port.onRts = [&bench](bool on) {
    if (on) bench.module->Restart(bench.host.now, "RTS");
  };
}

// Every written byte may bring 0..3 arbitrary bytes at arbitrary times.
void AttachScript(Bench& bench, FuzzedDataProvider& in) {
  bench.port.onWrite = [&bench, &in](std::uint8_t) {
    if (in.remaining_bytes() == 0) return;
    const int count = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < count; ++i)
      bench.port.Deliver(in.ConsumeIntegral<std::uint8_t>(),
                         milliseconds(in.ConsumeIntegralInRange(0, 4000)));
    if (in.ConsumeIntegralInRange(0, 255) == 0) bench.port.gone = true;
  };
}

void Run(FuzzedDataProvider& in) {
  static ScratchFile firmware;
  static bool written = false;
  if (!written) firmware.Write(kDemoHex);
  written = true;

  Bench bench;
  bench.host.Watch(bench.port);
  bench.link.SetRandomKey(in.ConsumeBool());
  const bool scripted = in.ConsumeBool();
  const int operation = in.ConsumeIntegralInRange(0, 3);
  if (in.ConsumeBool()) bench.host.cancelAt = test::VirtualTime{} + milliseconds(in.ConsumeIntegralInRange(0, 20000));

  bool inboundFaults = false;
  emu::EmulatorSettings settings;
  emu::EepromImage eeprom;
  eeprom.fill(0xFF);
  if (scripted) {
    AttachScript(bench, in);
  } else {
    settings = SettingsFrom(in, inboundFaults);
    for (std::size_t i = 0; i < eeprom.size() && in.remaining_bytes() > 0; i += 37)
      eeprom[i] = in.ConsumeIntegral<std::uint8_t>();
    AttachModule(bench, settings, eeprom);
  }
  // Success claims are checked only where the module can't be fooled into
  // taking a corrupted packet or refuse a write without saying so.
  const bool trustworthy = !scripted && !inboundFaults && settings.errors.empty();

  try {
    switch (operation) {
      case 0:
        RunVersionRead(bench.link, kCom1, in.ConsumeBool());
        break;
      case 1: {
        bench.shared.firmwareFileName = firmware.Path();
        UploadOptions options;
        options.decode = false;
        options.allMemory = false;
        options.eeprom = in.ConsumeBool();
        options.verify = in.ConsumeBool();
        const LinkOutcome outcome = RunFirmwareUpload(bench.link, bench.shared, kCom1, options);
        Require(!bench.shared.eepromHoldsModuleRead, "an upload withdraws the right to write");
        if (outcome == LinkOutcome::Done && trustworthy) {
          const auto& flash = bench.module->Flash();
          Require(std::equal(flash.begin() + 0x200, flash.begin() + 0x220,
                             bench.shared.images.flash.begin() + 0x200),
                  "an upload reported done left the module's FLASH as sent");
        }
        break;
      }
      default: {
        LinkOutcome outcome = RunParameterRead(bench.link, bench.shared, kCom1, bench.tab);
        Require(bench.shared.eepromHoldsModuleRead == (outcome == LinkOutcome::Done),
                "the right to write follows a complete read");
        if (outcome == LinkOutcome::Done && !scripted && settings.faults.empty())
          Require(bench.shared.images.eeprom == bench.module->Eeprom(), "a good read holds the module's EEPROM");
        if (operation == 2) break;
        bench.tab.Values().pin = in.ConsumeBool() ? "1234" : in.ConsumeRandomLengthString(6);
        bench.tab.Values().programNumber = in.ConsumeRandomLengthString(3);
        const bool allowed = bench.shared.eepromHoldsModuleRead;
        const std::size_t sentBefore = bench.port.written.size();
        try {
          outcome = RunParameterWrite(bench.link, bench.shared, kCom1, bench.tab);
        } catch (const ParameterError&) {
          Require(bench.port.written.size() == sentBefore, "a refused PIN sends nothing");
          break;
        }
        if (!allowed) {
          Require(outcome == LinkOutcome::NotAllowed, "a write without a complete read is refused");
          Require(bench.port.written.size() == sentBefore, "a refused write sends nothing");
        }
        if (outcome == LinkOutcome::Done && trustworthy)
          Require(bench.module->Eeprom() == bench.shared.images.eeprom,
                  "a write reported done left the module's EEPROM as sent");
        break;
      }
    }
  } catch (const PortGone&) {
    // The caller reports a vanished device; the link needs only to let go.
  }
  Require(bench.host.Elapsed() < kVirtualLimit, "the operation ends in bounded time");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Run(in);
  return 0;
}
