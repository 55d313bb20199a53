// SPDX-License-Identifier: MIT
#include "firmware/HexRecordReader.h"

#include "firmware/PlainLineReader.h"

namespace canalarm {

namespace {

constexpr std::string_view kEndRecord = ":00000001FF";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kHeaderLength = 9;  // ":" NN AAAA TT

// The byte of the pair at 1-based character position `position`; the caller
// has checked that the line is long enough.
std::uint8_t PairAt(std::string_view line, std::size_t position) {
  return HexPairToByte(line.substr(position - 1, 2));
}

// Places one byte by its linear address. Addresses are kept in 64 bits so
// that a record near the top of the 32-bit space can't wrap into FLASH.
void StoreByte(std::uint64_t address, std::uint8_t byte, FirmwareImages& images) {
  if (address < kFlashBase + kFlashSize) {
    images.flash[address] = byte;
  } else if (address >= kConfigBase && address < kConfigBase + kConfigSize) {
    images.config[address - kConfigBase] = byte;
  } else if (address >= kEepromBase && address < kEepromBase + kEepromSize) {
    images.eeprom[address - kEepromBase] = byte;
  }
}

// Only the address of a record's last byte moves the highest values.
void NoteLastByte(std::uint64_t last, FirmwareImages& images) {
  if (last < kFlashBase + kFlashSize) {
    if (static_cast<std::int32_t>(last) > images.highestFlash)
      images.highestFlash = static_cast<std::int32_t>(last);
  } else if (last >= kEepromBase && last < kEepromBase + kEepromSize) {
    const auto offset = static_cast<std::int32_t>(last - kEepromBase);
    if (offset > images.highestEeprom) images.highestEeprom = offset;
  }
}

int ChecksumResult(std::uint8_t sum, std::uint8_t checksum) {
  return static_cast<std::uint8_t>(sum + checksum) == 0 ? kRecordAccepted : kRecordBadChecksum;
}

}  // namespace

std::uint8_t HexPairToByte(std::string_view text) {
  if (text.size() < 2) return 0;
  const std::size_t high = kHexDigits.find(text[0]);
  const std::size_t low = kHexDigits.find(text[1]);
  if (high == std::string_view::npos || low == std::string_view::npos) return 0;
  return static_cast<std::uint8_t>(high * 16 + low);
}

int ParseHexRecord(std::string_view line, HexReadState& state, FirmwareImages& images) {
  if (line.empty() || line[0] != ':') return kRecordBadLine;
  if (line == kEndRecord) return kRecordEnd;
  if (line.size() < kHeaderLength) return kRecordBadLine;

  const std::uint8_t count = PairAt(line, 2);
  const std::uint8_t addressHigh = PairAt(line, 4);
  const std::uint8_t addressLow = PairAt(line, 6);
  const std::uint8_t type = PairAt(line, 8);
  const std::uint32_t addressField = addressHigh * 256u + addressLow;
  auto sum = static_cast<std::uint8_t>(count + addressHigh + addressLow + type);

  if (type == 0x00) {
    if (line.size() < kHeaderLength + 2u * count + 2) return kRecordBadLine;
    state.loadAddress = (state.loadAddress & 0xFFFF0000u) | addressField;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t byte = PairAt(line, 10 + 2 * i);
      StoreByte(std::uint64_t{state.loadAddress} + i, byte, images);
      sum = static_cast<std::uint8_t>(sum + byte);
    }
    if (count > 0) NoteLastByte(std::uint64_t{state.loadAddress} + count - 1, images);
    return ChecksumResult(sum, PairAt(line, 10 + 2 * std::size_t{count}));
  }

  if (type == 0x04) {
    if (line.size() < kHeaderLength + 6) return kRecordBadLine;
    const std::uint8_t upperHigh = PairAt(line, 10);
    const std::uint8_t upperLow = PairAt(line, 12);
    const std::uint32_t upper = upperHigh * 256u + upperLow;
    state.loadAddress = upper * 65536u + addressField;
    sum = static_cast<std::uint8_t>(sum + upperHigh + upperLow);
    return ChecksumResult(sum, PairAt(line, 14));
  }

  return kRecordBadLine;
}

int ReadHexRecord(TextLineReader& file, bool decode, HexReadState& state, FirmwareImages& images) {
  const std::string line = ReadPlainLine(file, decode, state.recordCounter);
  return ParseHexRecord(line, state, images);
}

}  // namespace canalarm
