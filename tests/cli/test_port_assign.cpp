// SPDX-License-Identifier: MIT
// `ports assign` / `ports unassign` and the listing, on a fake device tree
// whose nodes lead to pseudo-terminals, with a private ports folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "SerlFakeSysfs.h"
#include "SerlTestPty.h"
#include "cli/ExitStatus.h"
#include "cli/PortAssignCommand.h"
#include "cli/PortsCommand.h"
#include "serial/SerlPortPaths.h"
#include "support/TempDir.h"

namespace canalarm::cli {
namespace {

namespace fs = std::filesystem;
using serl::test::TFakeSysfs;
using serl::test::TFakeUsb;
using serl::test::TPtyPair;

const TFakeUsb kFtdi{"ttyUSB0", "1-2", "ftdi_sio", "0403", "6001", "FTDI", "FT232R USB UART",
                     "A1B2C3", "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"};
const TFakeUsb kCh340{"ttyUSB1", "1-4", "ch341", "1a86", "7523", "", "USB Serial", "", ""};

class PortAssignTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = std::make_unique<std::string>(old);
    ::setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    sys_.AddUsbAdapter(kFtdi, &ftdi_);
    sys_.AddUsbAdapter(kCh340, &ch340_);
    sys_.AddUart("ttyS0", 4, &uart_);
    sys_.AddUart("ttyS1", 0, &ghost_);
    sys_.AddVirtualTerminal("tty1", &console_);
  }
  void TearDown() override {
    if (saved_) ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
  }
  int Assign(const std::string& com, const std::string& device, bool force = false) {
    out_.str("");
    err_.str("");
    return RunAssign(com, device, force, sys_.Roots(), out_, err_);
  }
  int Unassign(const std::string& com) {
    out_.str("");
    err_.str("");
    return RunUnassign(com, out_, err_);
  }
  fs::path LinkOf(int n) const { return serl::PortsFolder() / ("com" + std::to_string(n)); }
  std::string Dev(const std::string& name) const { return sys_.Dev(name).string(); }

  canalarm::test::TempDir config_;
  std::unique_ptr<std::string> saved_;
  TFakeSysfs sys_;
  TPtyPair ftdi_, ch340_, uart_, ghost_, console_, loose_;
  std::ostringstream out_, err_;
};

TEST_F(PortAssignTest, ComNumbersFromOneTo255) {
  EXPECT_EQ(ParseComNumber("COM3"), 3);
  EXPECT_EQ(ParseComNumber("com255"), 255);
  EXPECT_EQ(ParseComNumber("7"), 7);
  for (const char* bad : {"COM0", "COM256", "COM", "COMx", "3a", "", "COM1000", "-1"})
    EXPECT_EQ(ParseComNumber(bad), 0) << bad;
  EXPECT_EQ(Assign("COM256", Dev("ttyUSB0")), kExitUsage);
  EXPECT_EQ(Unassign("COM0"), kExitUsage);
  EXPECT_FALSE(fs::exists(serl::PortsFolder()));
}

TEST_F(PortAssignTest, AnAdapterIsLinkedByItsStableNameWhenItHasOne) {
  ASSERT_EQ(Assign("COM3", Dev("ttyUSB0")), kExitOk) << err_.str();
  EXPECT_EQ(fs::read_symlink(LinkOf(3)), sys_.Dev("serial/by-id/" + kFtdi.byIdName));
  EXPECT_NE(out_.str().find("FT232R USB UART"), std::string::npos) << out_.str();
  // No by-id name: linked as given.
  ASSERT_EQ(Assign("com12", Dev("ttyUSB1")), kExitOk) << err_.str();
  EXPECT_EQ(fs::read_symlink(LinkOf(12)), sys_.Dev("ttyUSB1"));
  // Pseudo-terminals are taken: the emulator offers one.
  ASSERT_EQ(Assign("200", loose_.SlavePath()), kExitOk) << err_.str();
  EXPECT_EQ(fs::read_symlink(LinkOf(200)), loose_.SlavePath());
  EXPECT_EQ(serl::ResolveDevicePath("COM200"), loose_.SlavePath());
}

TEST_F(PortAssignTest, WhatIsNotASerialDeviceIsRefused) {
  const std::string file = config_.Write("firmware.hex", ":00000001FF\n");
  for (const std::string& device :
       {Dev("ttyS1"), Dev("tty1"), std::string("/dev/null"), Dev("ttyUSB7"), file,
        config_.Path().string()}) {
    EXPECT_EQ(Assign("COM4", device), kExitUsage) << device;
    EXPECT_FALSE(err_.str().empty());
    EXPECT_FALSE(fs::exists(fs::symlink_status(LinkOf(4)))) << device;
  }
  EXPECT_EQ(Assign("COM4", Dev("ttyS1")), kExitUsage);
  EXPECT_NE(err_.str().find("no UART behind it"), std::string::npos) << err_.str();
  EXPECT_EQ(Assign("COM4", Dev("ttyUSB7")), kExitUsage);
  EXPECT_NE(err_.str().find("no such device"), std::string::npos) << err_.str();
  // A real UART is fine.
  EXPECT_EQ(Assign("COM4", Dev("ttyS0")), kExitOk) << err_.str();
}

TEST_F(PortAssignTest, AnExistingLinkIsReplacedOnlyWithForce) {
  ASSERT_EQ(Assign("COM3", Dev("ttyUSB1")), kExitOk);
  EXPECT_EQ(Assign("COM3", Dev("ttyUSB0")), kExitUsage);
  EXPECT_NE(err_.str().find("--force"), std::string::npos) << err_.str();
  EXPECT_EQ(fs::read_symlink(LinkOf(3)), sys_.Dev("ttyUSB1"));
  // The same link again is no change and no error.
  EXPECT_EQ(Assign("COM3", Dev("ttyUSB1")), kExitOk);
  EXPECT_EQ(Assign("COM3", Dev("ttyUSB0"), true), kExitOk);
  EXPECT_EQ(fs::read_symlink(LinkOf(3)), sys_.Dev("serial/by-id/" + kFtdi.byIdName));
  // Nothing left beside it from the replacement.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(serl::PortsFolder())) ++entries;
  EXPECT_EQ(entries, 1);
  // An entry that is not a link is not ours to replace, nor to remove.
  std::ofstream(LinkOf(5)) << "x";
  EXPECT_EQ(Assign("COM5", Dev("ttyUSB0"), true), kExitUsage);
  EXPECT_EQ(Unassign("COM5"), kExitUsage);
  EXPECT_TRUE(fs::is_regular_file(LinkOf(5)));
}

TEST_F(PortAssignTest, UnassignRemovesOnlyALinkItFinds) {
  ASSERT_EQ(Assign("COM5", Dev("ttyUSB0")), kExitOk);
  EXPECT_EQ(Unassign("COM5"), kExitOk);
  EXPECT_FALSE(fs::exists(fs::symlink_status(LinkOf(5))));
  EXPECT_NE(out_.str().find("/dev/ttyUSB0 again"), std::string::npos) << out_.str();
  EXPECT_EQ(Unassign("COM5"), kExitUsage);
  EXPECT_NE(err_.str().find("no link"), std::string::npos);
  // A link to a device that went away can still be removed.
  fs::create_directories(serl::PortsFolder());
  fs::create_symlink("/nonexistent/gone", LinkOf(40));
  EXPECT_EQ(Unassign("COM40"), kExitOk);
}

TEST_F(PortAssignTest, TheListingSaysWhatEachPortIs) {
  fs::create_directories(serl::PortsFolder());
  ASSERT_EQ(Assign("COM3", Dev("ttyUSB0")), kExitOk);
  fs::create_symlink("/nonexistent/unplugged", LinkOf(20));
  std::ostringstream text;
  ASSERT_EQ(RunPorts(false, false, sys_.Roots(), text), kExitOk);
  const std::string t = text.str();
  EXPECT_NE(t.find("COM1\t" + Dev("ttyS0") + "\ton-board UART (serial)\n"), std::string::npos) << t;
  EXPECT_NE(t.find("COM3\t" + Dev("ttyUSB0") +
                   "\tUSB adapter 0403:6001 (ftdi_sio), FTDI FT232R USB UART, serial A1B2C3, "
                   "by-id " + kFtdi.byIdName + "\n"),
            std::string::npos) << t;
  EXPECT_NE(t.find("COM20\t/nonexistent/unplugged\tnot present\n"), std::string::npos) << t;
  EXPECT_EQ(t.find("ttyS1"), std::string::npos) << t;  // a ghost, without --all
  EXPECT_EQ(t.find("tty1"), std::string::npos) << t;

  std::ostringstream json;
  ASSERT_EQ(RunPorts(true, true, sys_.Roots(), json), kExitOk);
  const auto ports = nlohmann::json::parse(json.str())["ports"];
  std::map<std::string, nlohmann::json> byPort;
  for (const auto& port : ports) byPort[port["port"].is_null() ? port["device"].get<std::string>()
                                                               : port["port"].get<std::string>()] = port;
  EXPECT_EQ(byPort["COM3"]["kind"], "usb-adapter");
  EXPECT_EQ(byPort["COM3"]["vendorId"], "0403");
  EXPECT_EQ(byPort["COM3"]["serialNumber"], "A1B2C3");
  EXPECT_EQ(byPort["COM3"]["byId"], kFtdi.byIdName);
  EXPECT_EQ(byPort["COM3"]["state"], "free");
  EXPECT_EQ(byPort["COM2"]["present"], false);  // the ghost, with --all
  EXPECT_EQ(byPort["COM2"]["absentReason"], "no UART behind it");
  EXPECT_EQ(byPort["COM20"]["state"], "absent");
  EXPECT_EQ(byPort["COM6"]["product"], "USB Serial");  // ttyUSB1 by default
}

}  // namespace
}  // namespace canalarm::cli
