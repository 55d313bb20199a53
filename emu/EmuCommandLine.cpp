// SPDX-License-Identifier: MIT
#include "emu/EmuCommandLine.h"

#include "emu/EepromContents.h"
#include "emu/OptionValues.h"
#include "emu/PortLink.h"

namespace canalarm::emu {

namespace {

// The same check without its text in the help: the text names the value.
CLI::Validator Quiet(CLI::Validator check) {
  check.description("");
  return check;
}

}  // namespace

EmuCommandLine::EmuCommandLine()
    : app_(
          "canalarm-emu: the CAN alarm module's bootloader on a pseudo-terminal.\n"
          "Prints the device path as its first line, then answers the tool until\n"
          "SIGINT or SIGTERM, and writes the dumps asked for when it ends.\n"
          "SIGUSR1 makes the module hang until a restart; SIGUSR2 restarts it.") {
  app_.add_option("--version-text", versionText_,
                  "Version text at EEPROM 0xF0..0xFF, padded with spaces to 16 "
                  "(default \"CANALARM EMU 1.0\" unless --eeprom is given)")
      ->type_name("TEXT");
  app_.add_option("--identity", identity_,
                  "Device identity as the tool shows it, XX:YY in hexadecimal "
                  "(reply byte 2, then byte 1; default 1A:43)")
      ->type_name("XX:YY");
  app_.add_option("--eeprom", eepromFile_,
                  "Starting EEPROM: a 256-byte binary image or a plain Intel HEX file")
      ->type_name("FILE")
      ->check(Quiet(CLI::ExistingFile));
  app_.add_option("--answer-after", config_.settings.answerAfter,
                  "Ignore the first K wake-up attempts after each restart")
      ->type_name("K")
      ->check(Quiet(CLI::Range(0, 1'000'000)));
  app_.add_option("--garbage", config_.settings.garbage,
                  "Send N garbage bytes before the wake-up answer")
      ->type_name("N")
      ->check(Quiet(CLI::Range(0, 1000)));
  app_.add_option("--error-at", errorsAt_,
                  "Refuse writes to a block with an error code: flash:BLOCK:CODE or "
                  "eeprom:BLOCK:CODE (BLOCK = address / 16); repeatable")
      ->type_name("MEMORY:BLOCK:CODE");
  app_.add_option("--silent-after", silentAfter_,
                  "Answer packets 1..N of each link, then nothing until a restart")
      ->type_name("N")
      ->check(Quiet(CLI::Range(0, 1'000'000)));
  app_.add_option("--reply-delay", replyDelayMs_, "Hold every reply back MS milliseconds")
      ->type_name("MS")
      ->check(Quiet(CLI::Range(0, 600'000)));
  app_.add_option("--wire-speed", wireSpeed_,
                  "Simulate a wire: BPS bits per second (10 bits a byte, both ways), or "
                  "\"line\" for the speed the tool set; default: no wire, answer at once")
      ->type_name("BPS|line");
  app_.add_option("--fault", faults_,
                  "A fault at packet N of each link: flip:in|out:N[:BYTE[:BIT]], "
                  "drop:in|out:N[:BYTE], garbage:in|out:N[:COUNT], delay:N:MS, short:N, "
                  "vanish:N; repeatable")
      ->type_name("FAULT");
  app_.add_flag("--faults-once", config_.settings.faultsFirstLinkOnly,
                "The faults fire in the first link only, like noise that doesn't come back");
  app_.add_option("--transcript", config_.transcript,
                  "Write a line per wake-up, agreement and packet to FILE (- for stderr)")
      ->type_name("FILE");
  app_.add_option_function<std::string>(
          "--transcript-clock",
          [this](const std::string& clock) { config_.transcriptMonotonic = clock == "monotonic"; },
          "Stamp the transcript in seconds since the emulator started (start, the default) or "
          "on the system's monotonic clock (monotonic), to line it up with other programs")
      ->check(CLI::IsMember({"start", "monotonic"}))
      ->type_name("CLOCK");
  app_.add_option("--dump-flash", config_.dumpFlash,
                  "Write the FLASH image (32 KiB) to FILE at exit")
      ->type_name("FILE");
  app_.add_option("--dump-eeprom", config_.dumpEeprom,
                  "Write the EEPROM image (256 bytes) to FILE at exit")
      ->type_name("FILE");
  CLI::Option* link =
      app_.add_option("--link", link_,
                      "Make COMn reach the emulator: a link comN in the tool's ports folder. "
                      "A link comN that no emulator made is refused; one that a killed "
                      "emulator left is taken over")
          ->type_name("COMn");
  app_.add_flag("--replace-link", config_.replaceLink,
                "With --link: replace a link comN that the emulator did not make, and put it "
                "back when the emulator ends")
      ->needs(link);
  app_.add_option("--idle-reset", idleResetMs_,
                  "A line quiet for MS milliseconds restarts the module, as the tool's RTS "
                  "pulse would (0: never)")
      ->type_name("MS")
      ->capture_default_str()
      ->check(Quiet(CLI::Range(0, 600'000)));
  app_.add_option("--exit-after-reset", config_.loop.exitAfterReset,
                  "Exit after the Nth reset command (0: never)")
      ->type_name("N")
      ->check(Quiet(CLI::Range(0, 1'000'000)));
}

void EmuCommandLine::Parse(int argc, const char* const* argv) {
  app_.parse(argc, argv);

  EmulatorSettings& s = config_.settings;
  if (!identity_.empty()) s.identity = ParseIdentity(identity_);
  for (const auto& e : errorsAt_) s.errors.push_back(ParseErrorAt(e));
  for (const auto& f : faults_) s.faults.push_back(ParseFault(f));
  if (silentAfter_ >= 0) s.silentAfter = silentAfter_;
  s.replyDelay = std::chrono::milliseconds(replyDelayMs_);

  if (eepromFile_.empty()) {
    config_.eeprom = DefaultEeprom();
  } else {
    config_.eeprom = LoadEepromFile(eepromFile_);
  }
  if (app_.count("--version-text") > 0) SetVersionText(config_.eeprom, versionText_);

  if (!wireSpeed_.empty()) {
    const int bps = ParseWireSpeed(wireSpeed_);
    config_.loop.wireFromLine = bps == 0;
    config_.loop.wireBps = bps;
  }
  config_.loop.idleReset = std::chrono::milliseconds(idleResetMs_);
  if (!link_.empty()) config_.linkCom = ParseComName(link_);
}

}  // namespace canalarm::emu
