// SPDX-License-Identifier: MIT
// Test lines on POSIX: pseudo-terminal pairs bound in a private ports folder.
#include <sys/ioctl.h>
#include <termios.h>

#include "SerlTestLine.h"
#include "SerlTestPty.h"

namespace canalarm::serl::test {

struct TTestPorts::State {
  TPortsFolder folder;
};

TTestPorts::TTestPorts() : state_(std::make_unique<State>()) {}
TTestPorts::~TTestPorts() = default;
bool TTestPorts::Available() { return true; }
void TTestPorts::Mask(int n) { state_->folder.BindMissing(n); }

struct TTestLine::State {
  TPtyPair pty;
};

TTestLine::TTestLine(TTestPorts& ports, int comNumber)
    : state_(std::make_unique<State>()), comNumber_(comNumber) {
  ports.state_->folder.Bind(comNumber, state_->pty);
}

TTestLine::~TTestLine() = default;

std::string TTestLine::DevicePath() const { return state_->pty.SlavePath(); }

bool TTestLine::PeerWrite(const std::vector<std::uint8_t>& bytes, int timeoutMs) {
  return state_->pty.PeerWrite(bytes, timeoutMs);
}

std::vector<std::uint8_t> TTestLine::PeerRead(std::size_t n, int timeoutMs) {
  return state_->pty.PeerRead(n, timeoutMs);
}

std::vector<std::uint8_t> TTestLine::PeerDrain(int quietMs) { return state_->pty.PeerDrain(quietMs); }

void TTestLine::Vanish() { state_->pty.CloseMaster(); }

int TTestLine::DriverInputQueued() { return state_->pty.SlaveInputQueued(); }

std::size_t TTestLine::FillTowardsPeer(std::uint8_t filler) { return state_->pty.FillTowardsPeer(filler); }

bool TTestLine::ExclusiveFlag() {
  int on = 0;
  if (::ioctl(state_->pty.Slave(), TIOCGEXCL, &on) != 0) return false;
  return on != 0;
}

TLineSettings TTestLine::Settings() {
  termios t{};
  TLineSettings s;
  if (::tcgetattr(state_->pty.Slave(), &t) != 0) return s;
  switch (::cfgetospeed(&t)) {
    case B9600: s.baud = 9600; break;
    case B19200: s.baud = 19200; break;
    case B38400: s.baud = 38400; break;
    case B57600: s.baud = 57600; break;
    case B115200: s.baud = 115200; break;
    default: s.baud = 0; break;
  }
  s.dataBits = (t.c_cflag & CSIZE) == CS8 ? 8 : (t.c_cflag & CSIZE) == CS7 ? 7 : (t.c_cflag & CSIZE) == CS6 ? 6 : 5;
  s.parity = (t.c_cflag & PARENB) != 0;
  s.twoStopBits = (t.c_cflag & CSTOPB) != 0;
  s.hardwareFlow = (t.c_cflag & CRTSCTS) != 0;
  // Raw: no line editing, echo or signals, no output processing, and no
  // input byte translated, stripped or taken for flow control.
  s.raw = (t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 && (t.c_oflag & OPOST) == 0 &&
          (t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | BRKINT)) == 0;
  return s;
}

bool RunningUnderWine() { return false; }

}  // namespace canalarm::serl::test
