// SPDX-License-Identifier: MIT
// The emulator's COMn link: what it may replace, and what it leaves behind.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "emu/PortLink.h"
#include "emu/PtyPort.h"
#include "serial/SerlPortPaths.h"
#include "support/TempDir.h"

namespace canalarm::emu {
namespace {

namespace fs = std::filesystem;

// A pseudo-terminal number that no terminal of this machine has.
std::string GonePseudoTerminal() {
  for (int n = 4'000'000;; ++n) {
    const std::string path = "/dev/pts/" + std::to_string(n);
    if (!fs::exists(fs::symlink_status(path))) return path;
  }
}

class PortLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = old;
    ::setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    fs::create_directories(serl::PortsFolder());
  }
  void TearDown() override {
    if (saved_) ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
  }
  static fs::path Com(int n) { return serl::PortsFolder() / ("com" + std::to_string(n)); }
  // The link's target, "" when there is no link.
  static std::string Target(int n) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(Com(n), ec)) ? fs::read_symlink(Com(n)).string() : "";
  }

  test::TempDir config_;
  std::optional<std::string> saved_;
  PtyPort pty_;  // the emulator's own line
};

// A process id that no process has any longer: a child that has ended.
pid_t EndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST_F(PortLinkTest, TakesOnlyWhatIsItsOwnAndLeavesThePortAsItFoundIt) {
  PtyPort other;  // another terminal's line, or another emulator's
  const std::string gone = GonePseudoTerminal();
  const pid_t killed = EndedProcess();
  const pid_t running = getppid();
  const struct {
    const char* name;
    std::string before;  // the link comN leads to; "" for none
    std::optional<PortLinkNote> note;  // the note beside it
    bool replaceOther;
    bool taken;          // the emulator may not start on it
    std::string after;   // what comN leads to once the emulator has ended
  } cases[] = {
      {"no link", "", {}, false, false, ""},
      {"a fitter's adapter", "/dev/ttyUSB0", {}, false, true, "/dev/ttyUSB0"},
      {"a fitter's adapter, replaced", "/dev/ttyUSB0", {}, true, false, "/dev/ttyUSB0"},
      {"a port hidden by a link to nothing", "/nonexistent/com1", {}, false, true, "/nonexistent/com1"},
      {"a hidden port, replaced", "/nonexistent/com1", {}, true, false, "/nonexistent/com1"},
      {"a relative link", "../ttyUSB0", {}, false, true, "../ttyUSB0"},
      {"another terminal's line", other.SlavePath(), {}, false, true, other.SlavePath()},
      {"another terminal's line, replaced", other.SlavePath(), {}, true, false, other.SlavePath()},
      // What a killed emulator leaves.
      {"a gone pseudo-terminal", gone, {}, false, false, ""},
      {"a gone pseudo-terminal, noted", gone, PortLinkNote{killed, gone, ""}, false, false, ""},
      {"its number given to another terminal", other.SlavePath(),
       PortLinkNote{killed, other.SlavePath(), ""}, false, false, ""},
      {"its number given to this emulator", pty_.SlavePath(), {}, false, false, ""},
      {"the fitter's link it had replaced", gone, PortLinkNote{killed, gone, "/dev/ttyUSB0"}, false,
       false, "/dev/ttyUSB0"},
      // A running emulator's link, and notes that are not about the link.
      {"a running emulator's link", other.SlavePath(), PortLinkNote{running, other.SlavePath(), ""},
       false, true, other.SlavePath()},
      {"a running emulator's link, replaced", other.SlavePath(),
       PortLinkNote{running, other.SlavePath(), ""}, true, false, other.SlavePath()},
      {"a note about another link", "/dev/ttyUSB1", PortLinkNote{killed, gone, "/dev/ttyUSB0"}, false,
       true, "/dev/ttyUSB1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(Com(3));
    fs::remove(NotePath(Com(3)));
    if (!c.before.empty()) fs::create_symlink(c.before, Com(3));
    if (c.note) WriteNote(Com(3), *c.note);
    std::unique_ptr<PortLink> link;
    if (c.taken) {
      EXPECT_THROW(link = std::make_unique<PortLink>(3, pty_.SlavePath(), c.replaceOther), PortLinkTaken);
      EXPECT_EQ(Target(3), c.before) << "a refused link was touched";
      continue;
    }
    link = std::make_unique<PortLink>(3, pty_.SlavePath(), c.replaceOther);
    EXPECT_EQ(Target(3), pty_.SlavePath());
    EXPECT_EQ(link->Replaced(), c.after);
    const std::optional<PortLinkNote> note = ReadNote(Com(3));
    ASSERT_TRUE(note);
    EXPECT_EQ(note->pid, getpid());
    EXPECT_EQ(note->device, pty_.SlavePath());
    EXPECT_EQ(note->replaced, c.after);
    link.reset();
    EXPECT_EQ(Target(3), c.after);
    EXPECT_FALSE(fs::exists(NotePath(Com(3)))) << "the note outlived its link";
  }
  // Nothing else was left in the folder (no half-made link or note).
  fs::remove(NotePath(Com(3)));
  EXPECT_EQ(std::distance(fs::directory_iterator(serl::PortsFolder()), fs::directory_iterator()), 1);
}

TEST_F(PortLinkTest, AFileIsNeverReplaced) {
  std::ofstream(Com(4)) << "a fitter's notes";
  for (bool replaceOther : {false, true}) {
    EXPECT_THROW(PortLink(4, pty_.SlavePath(), replaceOther), PortLinkTaken);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Com(4))));
  }
}

TEST_F(PortLinkTest, ALinkPointedElsewhereMeanwhileIsLeftAlone) {
  for (bool replaceOther : {false, true}) {
    fs::remove(Com(5));
    fs::create_symlink("/dev/ttyUSB1", Com(5));
    if (!replaceOther) fs::remove(Com(5));
    {
      PortLink link(5, pty_.SlavePath(), replaceOther);
      fs::remove(Com(5));
      fs::create_symlink("/dev/ttyACM0", Com(5));  // `canalarm ports assign COM5 ...` meanwhile
    }
    EXPECT_EQ(Target(5), "/dev/ttyACM0");
  }
}

TEST(PortLinkNames, GonePseudoTerminals) {
  PtyPort live;
  EXPECT_TRUE(IsGonePseudoTerminal(GonePseudoTerminal()));
  EXPECT_FALSE(IsGonePseudoTerminal(live.SlavePath()));
  for (const char* other : {"/dev/ttyUSB0", "/nonexistent/com1", "/dev/pts/", "/dev/pts", "pts/4", ""})
    EXPECT_FALSE(IsGonePseudoTerminal(other)) << other;
}

}  // namespace
}  // namespace canalarm::emu
