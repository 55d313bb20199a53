// SPDX-License-Identifier: MIT
// Port descriptions against a fake sysfs and /dev tree whose device nodes
// all lead to pseudo-terminals, and a private ports folder.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "SerlFakeSysfs.h"
#include "SerlTestPty.h"
#include "serial/SerlPortDescription.h"
#include "serial/SerlPortPaths.h"
#include "serial/SerlPortUse.h"
#include "support/TempDir.h"

namespace canalarm::serl {
namespace {

namespace fs = std::filesystem;
using test::TFakeSysfs;
using test::TFakeUsb;
using test::TPtyPair;

const TFakeUsb kFtdi{"ttyUSB0", "1-2", "ftdi_sio", "0403", "6001", "FTDI", "FT232R USB UART",
                     "A1B2C3", "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"};
const TFakeUsb kArduino{"ttyACM0", "1-3", "cdc_acm", "2341", "0043",
                        "Arduino (www.arduino.cc)", "", "75833353035351F0D0A0", ""};
const TFakeUsb kNoStrings{"ttyUSB5", "1-4", "ch341", "1a86", "7523", "", "", "", ""};

// A machine with a FTDI adapter (by-id link), an Arduino, a CH340 without
// strings, a real UART on ttyS0 and ttyS4, a ghost UART on ttyS1 and a
// virtual console; and an empty ports folder of its own. Nothing here may
// lead to a device other than a pseudo-terminal.
class PortDescriptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = std::make_unique<std::string>(old);
    ::setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    fs::create_directories(PortsFolder());
    sys_.AddUsbAdapter(kFtdi, &ftdi_);
    sys_.AddUsbAdapter(kArduino, &arduino_);
    sys_.AddUsbAdapter(kNoStrings, &ch340_);
    sys_.AddUart("ttyS0", 4, &uart0_);
    sys_.AddUart("ttyS1", 0, &uart1_);
    sys_.AddUart("ttyS4", 4, &uart4_);
    sys_.AddVirtualTerminal("tty1", &console_);
  }
  void TearDown() override {
    if (saved_) ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
  }
  void Link(int n, const fs::path& target) {
    fs::create_symlink(target, PortsFolder() / ("com" + std::to_string(n)));
  }
  std::string Dev(const std::string& name) const { return sys_.Dev(name).string(); }

  canalarm::test::TempDir config_;
  std::unique_ptr<std::string> saved_;
  TFakeSysfs sys_;
  TPtyPair ftdi_, arduino_, ch340_, uart0_, uart1_, uart4_, console_, loose_;
};

TEST_F(PortDescriptionTest, UsbAdaptersTellTheirIdsStringsAndStableName) {
  const TSerlPortDescription ftdi = DescribeDevice(Dev("ttyUSB0"), sys_.Roots());
  EXPECT_EQ(ftdi.kind, TPortKind::UsbAdapter);
  EXPECT_TRUE(ftdi.present);
  EXPECT_FALSE(ftdi.inUse);
  EXPECT_EQ(ftdi.kernelName, "ttyUSB0");
  EXPECT_EQ(ftdi.driver, "ftdi_sio");
  EXPECT_EQ(ftdi.vendorId, "0403");
  EXPECT_EQ(ftdi.productId, "6001");
  EXPECT_EQ(ftdi.manufacturer, "FTDI");
  EXPECT_EQ(ftdi.product, "FT232R USB UART");
  EXPECT_EQ(ftdi.serialNumber, "A1B2C3");
  EXPECT_EQ(ftdi.byIdName, kFtdi.byIdName);

  // Reached through its by-id link, the same device under its kernel name.
  const TSerlPortDescription byId =
      DescribeDevice(Dev("serial/by-id/" + kFtdi.byIdName), sys_.Roots());
  EXPECT_EQ(byId.device, Dev("ttyUSB0"));
  EXPECT_EQ(byId.product, "FT232R USB UART");
  EXPECT_EQ(byId.byIdName, kFtdi.byIdName);

  // cdc_acm: the tty hangs off the interface itself, not off a usb-serial port.
  const TSerlPortDescription acm = DescribeDevice(Dev("ttyACM0"), sys_.Roots());
  EXPECT_EQ(acm.kind, TPortKind::UsbAdapter);
  EXPECT_EQ(acm.driver, "cdc_acm");
  EXPECT_EQ(acm.vendorId, "2341");
  EXPECT_EQ(acm.manufacturer, "Arduino (www.arduino.cc)");
  EXPECT_EQ(acm.product, "");
  EXPECT_EQ(acm.serialNumber, "75833353035351F0D0A0");
  EXPECT_EQ(acm.byIdName, "");
}

TEST_F(PortDescriptionTest, UartsWithoutHardwareAreNotPresent) {
  const TSerlPortDescription real = DescribeDevice(Dev("ttyS0"), sys_.Roots());
  EXPECT_EQ(real.kind, TPortKind::OnboardUart);
  EXPECT_TRUE(real.present);
  EXPECT_EQ(real.driver, "serial");
  EXPECT_EQ(real.vendorId, "");

  const TSerlPortDescription ghost = DescribeDevice(Dev("ttyS1"), sys_.Roots());
  EXPECT_EQ(ghost.kind, TPortKind::OnboardUart);
  EXPECT_FALSE(ghost.present);
  EXPECT_FALSE(ghost.inUse);
  EXPECT_EQ(ghost.absentReason, "no UART behind it");
  EXPECT_FALSE(IsAssignableSerialDevice(ghost));
}

TEST_F(PortDescriptionTest, PseudoTerminalsMissingDevicesAndOtherNodes) {
  const TSerlPortDescription pty = DescribeDevice(loose_.SlavePath(), sys_.Roots());
  EXPECT_EQ(pty.kind, TPortKind::PseudoTerminal);
  EXPECT_TRUE(pty.present);
  EXPECT_EQ(pty.device, loose_.SlavePath());
  EXPECT_TRUE(IsAssignableSerialDevice(pty));

  const TSerlPortDescription missing = DescribeDevice(Dev("ttyUSB9"), sys_.Roots());
  EXPECT_EQ(missing.kind, TPortKind::Absent);
  EXPECT_FALSE(missing.present);
  EXPECT_EQ(missing.device, Dev("ttyUSB9"));

  // A character device that is no terminal of a serial driver: /dev/null is
  // unknown to the fake sysfs; the virtual console has no device behind it.
  const TSerlPortDescription null = DescribeDevice("/dev/null", sys_.Roots());
  EXPECT_EQ(null.kind, TPortKind::Other);
  EXPECT_FALSE(IsAssignableSerialDevice(null));
  const TSerlPortDescription console = DescribeDevice(Dev("tty1"), sys_.Roots());
  EXPECT_EQ(console.kind, TPortKind::Other);
  EXPECT_EQ(console.driver, "");
  EXPECT_FALSE(IsAssignableSerialDevice(console));
}

TEST_F(PortDescriptionTest, ComNumbersResolveThroughTheFolderOrTheDefaults) {
  Link(3, Dev("serial/by-id/" + kFtdi.byIdName));
  Link(4, "/nonexistent/unplugged-adapter");
  Link(7, loose_.SlavePath());

  const TSerlPortDescription com3 = DescribeComPort(3, sys_.Roots());
  EXPECT_EQ(com3.comNumber, 3);
  EXPECT_EQ(com3.device, Dev("ttyUSB0"));
  EXPECT_EQ(com3.link, Dev("serial/by-id/" + kFtdi.byIdName));
  EXPECT_EQ(com3.kind, TPortKind::UsbAdapter);

  const TSerlPortDescription com4 = DescribeComPort(4, sys_.Roots());
  EXPECT_EQ(com4.kind, TPortKind::Absent);
  EXPECT_FALSE(com4.present);
  EXPECT_EQ(com4.device, "/nonexistent/unplugged-adapter");

  EXPECT_EQ(DescribeComPort(7, sys_.Roots()).kind, TPortKind::PseudoTerminal);
  // Without an entry COM1 is ttyS0 and COM9 ttyACM0 of the given /dev.
  EXPECT_EQ(DescribeComPort(1, sys_.Roots()).device, Dev("ttyS0"));
  EXPECT_EQ(DescribeComPort(9, sys_.Roots()).product, "");
  EXPECT_EQ(DescribeComPort(9, sys_.Roots()).vendorId, "2341");
  // COM13 and up have no default.
  EXPECT_FALSE(DescribeComPort(13, sys_.Roots()).present);
  EXPECT_EQ(DescribeComPort(13, sys_.Roots()).device, "");
}

TEST_F(PortDescriptionTest, TheListHasNamedPortsThenDevicesNoNumberNamesYet) {
  Link(2, Dev("ttyUSB0"));  // hides the ghost ttyS1 of COM2
  Link(20, "/nonexistent/unplugged-adapter");
  Link(30, loose_.SlavePath());
  Link(9, "/nonexistent/masked");  // masks the default ttyACM0

  std::vector<std::pair<int, std::string>> listed;
  for (const TSerlPortDescription& port : DescribePorts(sys_.Roots()))
    listed.emplace_back(port.comNumber, port.device);
  const std::vector<std::pair<int, std::string>> want{
      {1, Dev("ttyS0")},         // default, present
      {2, Dev("ttyUSB0")},       // folder
      {5, Dev("ttyUSB0")},       // default, present (same adapter as COM2)
      {9, "/nonexistent/masked"},
      {20, "/nonexistent/unplugged-adapter"},
      {30, loose_.SlavePath()},
      {0, Dev("ttyACM0")},       // its default number is masked
      {0, Dev("ttyS4")},         // real UART that no number names
      {0, Dev("ttyUSB5")},
  };
  EXPECT_EQ(listed, want);

  // With ghosts: COM3 and COM4's UARTs are not in the tree, so still absent;
  // a ghost that a default names would be listed. Unmask COM2 to see it.
  fs::remove(PortsFolder() / "com2");
  bool ghostListed = false;
  for (const TSerlPortDescription& port : DescribePorts(sys_.Roots(), true)) {
    if (port.comNumber == 2) {
      ghostListed = true;
      EXPECT_FALSE(port.present);
      EXPECT_EQ(port.absentReason, "no UART behind it");
    }
    EXPECT_NE(port.kernelName, "tty1");
  }
  EXPECT_TRUE(ghostListed);
}

TEST_F(PortDescriptionTest, AHeldDeviceIsInUseAndNamesItsHolder) {
  Link(3, Dev("serial/by-id/" + kFtdi.byIdName));
  // This process holds every terminal of the fake tree (both ends, and a
  // lock): a program does not count as another one.
  ASSERT_EQ(::flock(ftdi_.Slave(), LOCK_EX | LOCK_NB), 0);
  EXPECT_FALSE(DescribeComPort(3, sys_.Roots()).inUse);
  ::flock(ftdi_.Slave(), LOCK_UN);
  for (const bool lock : {false, true}) {
    SCOPED_TRACE(lock ? "locked" : "open only");
    std::string holder;
    {
      test::TOtherHolder other(ftdi_, lock);
      holder = std::string(test::TOtherHolder::kName) + " (pid " + std::to_string(other.Pid()) + ")";
      const TSerlPortDescription held = DescribeComPort(3, sys_.Roots());
      EXPECT_TRUE(held.present);
      EXPECT_TRUE(held.inUse);
      EXPECT_FALSE(held.inUseUnknown);
      EXPECT_FALSE(held.noAccess);
      EXPECT_EQ(held.holder, holder);
      EXPECT_EQ(PortSummary(held), Dev("ttyUSB0") + ", FT232R USB UART, in use by " + holder);
    }
    const TSerlPortDescription free = DescribeComPort(3, sys_.Roots());
    EXPECT_FALSE(free.inUse);
    EXPECT_TRUE(free.holder.empty());
  }
}

// A /proc and a lock folder of a test's making, for the cases a test cannot
// bring about in the real ones: processes whose descriptors cannot be read,
// lock files, locks without a pid.
class FakeProc {
 public:
  explicit FakeProc(const TPtyPair& pty) : pty_(pty) {
    fs::create_directories(dir_.Path() / "proc");
    fs::create_directories(dir_.Path() / "lock");
    dir_.Write("proc/locks", "");
  }
  TSerlSystemRoots Roots() const {
    TSerlSystemRoots roots;
    roots.proc = dir_.Path() / "proc";
    roots.lockDirs = {dir_.Path() / "lock"};
    return roots;
  }
  void Process(int pid, const std::string& comm) {
    fs::create_directories(Pid(pid) / "fd");
    fs::create_directories(Pid(pid) / "fdinfo");
    dir_.Write("proc/" + std::to_string(pid) + "/comm", comm + "\n");
  }
  void HoldsSlave(int pid, int fd) { fs::create_symlink(pty_.SlavePath(), Pid(pid) / "fd" / std::to_string(fd)); }
  void HoldsOther(int pid, int fd, const std::string& target) {
    fs::create_symlink(target, Pid(pid) / "fd" / std::to_string(fd));
  }
  void HoldsMaster(int pid, int fd, unsigned index) {
    fs::create_symlink("/dev/ptmx", Pid(pid) / "fd" / std::to_string(fd));
    dir_.Write("proc/" + std::to_string(pid) + "/fdinfo/" + std::to_string(fd),
               "pos:\t0\nflags:\t02\ntty-index:\t" + std::to_string(index) + "\n");
  }
  // A process whose descriptor list cannot be listed, as another user's.
  void Unreadable(int pid) {
    fs::create_directories(Pid(pid));
    dir_.Write("proc/" + std::to_string(pid) + "/fd", "");
  }
  // A line of /proc/locks on the slave's node, or on another inode.
  void KernelLock(const std::string& head, const std::string& pid, bool otherInode = false) {
    struct stat st {};
    ::stat(pty_.SlavePath().c_str(), &st);
    char where[64];
    std::snprintf(where, sizeof where, "%02x:%02x:%lu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long>(st.st_ino + (otherInode ? 1 : 0)));
    locks_ += head + " ADVISORY  WRITE " + pid + " " + where + " 0 EOF\n";
    dir_.Write("proc/locks", locks_);
  }
  void LockFile(const std::string& name, const std::string& content) { dir_.Write("lock/LCK.." + name, content); }
  unsigned Index() const {
    struct stat st {};
    ::stat(pty_.SlavePath().c_str(), &st);
    return (major(st.st_rdev) - 136) * 256 + minor(st.st_rdev);
  }

 private:
  fs::path Pid(int pid) const { return dir_.Path() / "proc" / std::to_string(pid); }
  const TPtyPair& pty_;
  canalarm::test::TempDir dir_;
  std::string locks_;
};

TEST(PortUse, FoundWithoutOpeningTheDevice) {
  TPtyPair pty;
  struct Case {
    const char* name;
    std::function<void(FakeProc&)> make;
    TPortUse use;
    std::string holders;
    std::string peers;
  };
  std::string binaryPid(sizeof(int), '\0');
  const int live = 300;
  std::memcpy(binaryPid.data(), &live, sizeof live);
  const std::vector<Case> cases{
      {"nothing holds it", [](FakeProc& p) { p.Process(100, "bash"); p.HoldsOther(100, 0, "/dev/null"); },
       TPortUse::Free, "", ""},
      {"a terminal program", [](FakeProc& p) { p.Process(100, "minicom"); p.HoldsSlave(100, 3); },
       TPortUse::InUse, "minicom (pid 100)", ""},
      {"the program at the other end", [](FakeProc& p) {
         p.Process(200, "canalarm-emu"); p.HoldsMaster(200, 3, p.Index()); p.HoldsSlave(200, 4); },
       TPortUse::Free, "", "canalarm-emu (pid 200)"},
      {"another terminal's master", [](FakeProc& p) {
         p.Process(200, "canalarm-emu"); p.HoldsMaster(200, 3, p.Index() + 1); p.HoldsSlave(200, 4); },
       TPortUse::InUse, "canalarm-emu (pid 200)", ""},
      {"the other end, and a program on the line", [](FakeProc& p) {
         p.Process(200, "canalarm-emu"); p.HoldsMaster(200, 3, p.Index()); p.HoldsSlave(200, 4);
         p.Process(100, "minicom"); p.HoldsSlave(100, 5); },
       TPortUse::InUse, "minicom (pid 100)", "canalarm-emu (pid 200)"},
      {"the other end locks it", [](FakeProc& p) {
         p.Process(200, "canalarm-emu"); p.HoldsMaster(200, 3, p.Index()); p.HoldsSlave(200, 4);
         p.KernelLock("1: FLOCK ", "200"); },
       TPortUse::InUse, "canalarm-emu (pid 200)", "canalarm-emu (pid 200)"},
      {"a lock on another node", [](FakeProc& p) { p.KernelLock("1: FLOCK ", "100", true); },
       TPortUse::Free, "", ""},
      {"a lock still waited for", [](FakeProc& p) { p.KernelLock("1: -> FLOCK ", "100"); },
       TPortUse::Free, "", ""},
      {"a lock without a pid", [](FakeProc& p) { p.KernelLock("1: OFDLCK", "-1"); },
       TPortUse::InUse, "", ""},
      {"a process that cannot be read", [](FakeProc& p) { p.Unreadable(100); }, TPortUse::Unknown, "", ""},
      {"cannot be read, but another holds it", [](FakeProc& p) {
         p.Unreadable(100); p.Process(101, "screen"); p.HoldsSlave(101, 7); },
       TPortUse::InUse, "screen (pid 101)", ""},
      {"a lock file of a live process", [](FakeProc& p) {
         p.Process(300, "cu"); p.LockFile("ttyUSB0", "       300\n"); },
       TPortUse::InUse, "cu (pid 300)", ""},
      {"a binary lock file", [&binaryPid](FakeProc& p) { p.Process(300, "cu"); p.LockFile("ttyUSB0", binaryPid); },
       TPortUse::InUse, "cu (pid 300)", ""},
      {"a stale lock file", [](FakeProc& p) { p.LockFile("ttyUSB0", "       301\n"); },
       TPortUse::Free, "", ""},
      {"a lock file of another device", [](FakeProc& p) {
         p.Process(300, "cu"); p.LockFile("ttyUSB1", "300\n"); },
       TPortUse::Free, "", ""},
  };
  auto names = [](const std::vector<TPortProcess>& processes) {
    std::string text;
    for (const TPortProcess& process : processes) text += (text.empty() ? "" : "; ") + ProcessText(process);
    return text;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProc proc(pty);
    c.make(proc);
    const TPortUseFound found = FindPortUse(pty.SlavePath(), {"ttyUSB0"}, proc.Roots());
    EXPECT_EQ(found.use, c.use);
    EXPECT_EQ(names(found.holders), c.holders);
    EXPECT_EQ(names(found.peers), c.peers);
  }
}

TEST(PortUse, ThisProcessIsNeverItsHolder) {
  // The real /proc: this process holds both ends and a lock, which is not
  // another program's hold; the pseudo-terminal has no other end elsewhere.
  TPtyPair pty;
  ASSERT_EQ(::flock(pty.Slave(), LOCK_EX | LOCK_NB), 0);
  const TPortUseFound found = FindPortUse(pty.SlavePath(), {}, TSerlSystemRoots{});
  EXPECT_NE(found.use, TPortUse::InUse);
  EXPECT_TRUE(found.holders.empty());
  EXPECT_TRUE(found.peers.empty());
}

TEST(PortSummary, OneShortLine) {
  auto port = [](TPortKind kind, bool present) {
    TSerlPortDescription d;
    d.device = "/dev/x";
    d.kind = kind;
    d.present = present;
    return d;
  };
  TSerlPortDescription usb = port(TPortKind::UsbAdapter, true);
  usb.product = "FT232R USB UART";
  TSerlPortDescription bare = port(TPortKind::UsbAdapter, true);
  bare.vendorId = "1a86";
  bare.productId = "7523";
  TSerlPortDescription ghost = port(TPortKind::OnboardUart, false);
  ghost.absentReason = "no UART behind it";
  TSerlPortDescription locked = port(TPortKind::OnboardUart, true);
  locked.noAccess = true;
  TSerlPortDescription windows = port(TPortKind::Other, true);
  windows.device = "COM3";
  windows.friendlyName = "USB Serial Port (COM3)";
  TSerlPortDescription nothing;
  nothing.comNumber = 14;
  const std::vector<std::pair<TSerlPortDescription, std::string>> cases{
      {usb, "/dev/x, FT232R USB UART"},
      {bare, "/dev/x, USB adapter 1a86:7523"},
      {port(TPortKind::Absent, false), "/dev/x, not present"},
      {ghost, "/dev/x, not present (no UART behind it)"},
      {locked, "/dev/x, on-board UART, no access"},
      {port(TPortKind::PseudoTerminal, true), "/dev/x, pseudo-terminal"},
      {windows, "COM3, USB Serial Port (COM3)"},
      {nothing, "COM14, not present"},
  };
  for (const auto& [description, line] : cases) EXPECT_EQ(PortSummary(description), line);
}

}  // namespace
}  // namespace canalarm::serl
