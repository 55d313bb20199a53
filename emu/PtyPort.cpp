// SPDX-License-Identifier: MIT
#include "emu/PtyPort.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace canalarm::emu {

namespace {

[[noreturn]] void Fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

int SpeedToBps(speed_t speed) {
  static constexpr std::pair<speed_t, int> kSpeeds[] = {
      {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},     {B150, 150},
      {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},   {B1800, 1800},
      {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200}, {B38400, 38400},
      {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
  };
  for (const auto& [code, bps] : kSpeeds) {
    if (code == speed) return bps;
  }
  return 0;
}

}  // namespace

PtyPort::PtyPort() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) Fail("posix_openpt");
  try {
    if (grantpt(master_) != 0) Fail("grantpt");
    if (unlockpt(master_) != 0) Fail("unlockpt");
    const char* name = ptsname(master_);
    if (name == nullptr) Fail("ptsname");
    slavePath_ = name;
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl");
    fcntl(master_, F_SETFD, FD_CLOEXEC);

    slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) Fail("open slave");
    termios tio{};
    if (tcgetattr(slave_, &tio) != 0) Fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(slave_, TCSANOW, &tio) != 0) Fail("tcsetattr");
  } catch (...) {
    Close();
    throw;
  }
}

PtyPort::~PtyPort() { Close(); }

std::size_t PtyPort::Read(std::span<std::uint8_t> buffer) {
  for (;;) {
    const ssize_t n = read(master_, buffer.data(), buffer.size());
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    Fail("read");
  }
}

std::size_t PtyPort::Write(std::span<const std::uint8_t> bytes) {
  for (;;) {
    const ssize_t n = write(master_, bytes.data(), bytes.size());
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    Fail("write");
  }
}

int PtyPort::LineSpeed() const {
  termios tio{};
  // The master reports the slave's settings, which are the tool's.
  if (master_ < 0 || tcgetattr(master_, &tio) != 0) return 0;
  return SpeedToBps(cfgetospeed(&tio));
}

void PtyPort::Close() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
  slave_ = master_ = -1;
}

}  // namespace canalarm::emu
