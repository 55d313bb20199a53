// SPDX-License-Identifier: MIT
// Port descriptions against a fake sysfs and /dev tree whose device nodes
// all lead to pseudo-terminals, and a private ports folder.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "SerlFakeSysfs.h"
#include "SerlTestPty.h"
#include "serial/SerlPortDescription.h"
#include "serial/SerlPortPaths.h"
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

TEST_F(PortDescriptionTest, AHeldDeviceIsInUse) {
  Link(3, Dev("serial/by-id/" + kFtdi.byIdName));
  // Another program holds the adapter the way this tool does: an exclusive lock.
  ASSERT_EQ(::flock(ftdi_.Slave(), LOCK_EX | LOCK_NB), 0);
  const TSerlPortDescription held = DescribeComPort(3, sys_.Roots());
  EXPECT_TRUE(held.present);
  EXPECT_TRUE(held.inUse);
  EXPECT_FALSE(held.noAccess);
  EXPECT_EQ(PortSummary(held), Dev("ttyUSB0") + ", FT232R USB UART, in use");
  ::flock(ftdi_.Slave(), LOCK_UN);
  EXPECT_FALSE(DescribeComPort(3, sys_.Roots()).inUse);
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
