// SPDX-License-Identifier: MIT
// Enumerations and small records shared by the serial port component, its
// dispatcher and the device back ends.
#pragma once

#include <cstdint>

namespace canalarm::serl {

enum class TDeviceLayer : std::uint8_t { dlWin32, dlWinsock };

// Same numbering as the driver's parity byte.
enum class TParity : std::uint8_t { pNone = 0, pOdd = 1, pEven = 2, pMark = 3, pSpace = 4 };

// Set of hardware flow options, as bit values.
enum THWFlowOption : std::uint8_t {
  hwfUseDTR = 0x01,
  hwfUseRTS = 0x02,
  hwfRequireDSR = 0x04,
  hwfRequireCTS = 0x08,
};
using THWFlowOptions = std::uint8_t;

enum class TSWFlowOptions : std::uint8_t { swfNone, swfReceive, swfTransmit, swfBoth };

enum class TTraceLogState : std::uint8_t { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };

enum class TTapiMode : std::uint8_t { tmNone, tmAuto, tmOn, tmOff };

enum class TPortPhase : std::uint8_t { ppClosed = 0, ppClosing = 1, ppOpen = 2 };

// Line-flags byte handed to the dispatcher's open.
inline constexpr std::uint8_t lfDTR = 0x01;
inline constexpr std::uint8_t lfRTS = 0x02;
inline constexpr std::uint8_t lfDTRHandshake = 0x10;
inline constexpr std::uint8_t lfRTSHandshake = 0x20;

// Driver escape functions.
inline constexpr int escSetRTS = 3;
inline constexpr int escClrRTS = 4;
inline constexpr int escSetDTR = 5;
inline constexpr int escClrDTR = 6;

// Purge flags: abort pending writes 0x01, reads 0x02; clear transmit queue 0x04,
// receive queue 0x08.
inline constexpr unsigned purgeTxAbort = 0x01;
inline constexpr unsigned purgeRxAbort = 0x02;
inline constexpr unsigned purgeTxClear = 0x04;
inline constexpr unsigned purgeRxClear = 0x08;
inline constexpr unsigned purgeReceiveSide = purgeRxAbort | purgeRxClear;   // 0x0A
inline constexpr unsigned purgeTransmitSide = purgeTxAbort | purgeTxClear;  // 0x05

// Device event bits.
inline constexpr std::uint32_t evRxChar = 0x0001;
inline constexpr std::uint32_t evCts = 0x0008;
inline constexpr std::uint32_t evDsr = 0x0010;
inline constexpr std::uint32_t evRlsd = 0x0020;
inline constexpr std::uint32_t evBreak = 0x0040;
inline constexpr std::uint32_t evErr = 0x0080;
inline constexpr std::uint32_t evRing = 0x0100;
inline constexpr std::uint32_t evRingTe = 0x2000;
inline constexpr std::uint32_t kEventMaskNT = 0x1F9;
inline constexpr std::uint32_t kEventMaskOther = 0x21F9;

// Driver line-error bits.
inline constexpr std::uint32_t ceRxOver = 0x01;
inline constexpr std::uint32_t ceOverrun = 0x02;
inline constexpr std::uint32_t ceParity = 0x04;
inline constexpr std::uint32_t ceFrame = 0x08;
inline constexpr std::uint32_t ceBreak = 0x10;

// Modem status bits (high nibble).
inline constexpr std::uint32_t msCts = 0x10;
inline constexpr std::uint32_t msDsr = 0x20;
inline constexpr std::uint32_t msRing = 0x40;
inline constexpr std::uint32_t msRlsd = 0x80;

// DTR and RTS control fields of the line state.
enum class TLineControl : std::uint8_t { Disable = 0, Enable = 1, Handshake = 2 };

// Stop-bit codes of the line state.
inline constexpr std::uint8_t kOneStopBit = 0;
inline constexpr std::uint8_t kOne5StopBits = 1;
inline constexpr std::uint8_t kTwoStopBits = 2;

// The driver's line state: the fields the dispatcher reads and writes.
struct TSerlLineState {
  std::uint32_t BaudRate = 0;
  std::uint8_t ByteSize = 8;
  std::uint8_t Parity = 0;    // TParity numbering
  std::uint8_t StopBits = 0;  // kOneStopBit, kOne5StopBits, kTwoStopBits
  bool Binary = true;
  bool OutxCtsFlow = false;
  bool OutxDsrFlow = false;
  TLineControl DtrControl = TLineControl::Disable;
  TLineControl RtsControl = TLineControl::Disable;
  bool OutX = false;  // XON/XOFF on transmit
  bool InX = false;   // XON/XOFF on receive
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  char XonChar = 17;
  char XoffChar = 19;
};

// The driver's queue status.
struct TSerlQueueStatus {
  std::uint32_t InQue = 0;   // bytes waiting in the receive queue
  std::uint32_t OutQue = 0;  // bytes waiting to be written
};

}  // namespace canalarm::serl
