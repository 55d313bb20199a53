// SPDX-License-Identifier: MIT
// Where the command line's host puts the link's messages: by their role.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "cli/TerminalHost.h"

namespace canalarm::cli {
namespace {

TEST(TerminalHost, MessagesGoWhereTheirRoleSays) {
  MessageSet messages;
  messages.Refill(Language::English);
  const std::string incomplete{messages.Text(MessageRole::msgIncompleteFirmware)};
  const std::string noEeprom{messages.Text(MessageRole::msgNoEepromData)};
  const std::string done{messages.Text(MessageRole::msgDone)};
  const struct {
    const char* what;
    std::function<void(LinkHost&)> show;
    std::string out, err;
  } cases[] = {
      {"log: done", [](LinkHost& h) { h.AddLogMessage(MessageRole::msgDone); }, "COM3: " + done + "\n", ""},
      {"log: incomplete firmware",
       [](LinkHost& h) { h.AddLogMessage(MessageRole::msgIncompleteFirmware); }, "",
       "COM3: " + incomplete + "\n"},
      {"log: a plain line", [](LinkHost& h) { h.AddLogLine("Flash = 512B"); }, "COM3: Flash = 512B\n", ""},
      {"status: no EEPROM data",
       [](LinkHost& h) { h.SetStatusMessage(MessageRole::msgNoEepromData); }, "COM3: " + noEeprom + "\n", ""},
      {"status: writing FLASH", [](LinkHost& h) { h.SetStatusMessage(MessageRole::msgWritingFlash); }, "", ""},
      {"status: a plain text", [](LinkHost& h) { h.SetStatus("Reset CPU..."); }, "", ""},
  };
  for (const auto& c : cases) {
    std::ostringstream out, err;
    TerminalHost host(out, err, messages, {.prefix = "COM3: "});
    c.show(host);
    EXPECT_EQ(out.str(), c.out) << c.what;
    EXPECT_EQ(err.str(), c.err) << c.what;
  }
}

}  // namespace
}  // namespace canalarm::cli
