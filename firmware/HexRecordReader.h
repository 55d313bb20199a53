// SPDX-License-Identifier: MIT
// The Intel HEX record reader.
//
// Records are upper-case hexadecimal; only types 00 (data) and 04 (extended
// linear address) are accepted, and the end record is recognised only as the
// exact text ":00000001FF". Every data byte is placed by its own linear
// address: 0x000000..0x007FFF into FLASH, 0x300000..0x30000F into the
// configuration image, 0xF00000..0xF000FF into EEPROM; any other is dropped.
#pragma once

#include <cstdint>
#include <string_view>

#include "firmware/FirmwareImages.h"
#include "firmware/TextLineReader.h"

namespace canalarm {

// Result codes of ReadHexRecord.
enum HexRecordResult : int {
  kRecordAccepted = 0,    // data or extended linear address record, checksum good
  kRecordBadLine = 1,     // empty, no ":", unsupported type, or too short
  kRecordBadChecksum = 2,
  kRecordEnd = 3,         // the line is exactly ":00000001FF"
};

// Reader state of one file: set to zero before the file is read.
struct HexReadState {
  std::uint32_t loadAddress = 0;   // upper 16 bits from the last type-04 record
  std::int32_t recordCounter = 0;  // line pairs read so far (record-encoded files)
};

// Two upper-case hexadecimal characters to a byte; fewer than two characters,
// or any character outside "0123456789ABCDEF" (lower case included), gives 0.
std::uint8_t HexPairToByte(std::string_view text);

// Reads one record (one line, or one line pair when `decode` is true), stores
// its data bytes into `images`, updates the load address and the highest
// values, and returns a HexRecordResult.
//
// Bytes are stored before the checksum is compared, so a record that fails
// its checksum keeps its bytes in the images. The reader never looks past the
// end of a line: a line shorter than its record needs (the 9 header
// characters, a data record's 2N data and 2 checksum characters, a type-04
// record's 4 address and 2 checksum characters) is a bad line, with nothing
// stored and the load address unchanged. A data record with a count of 0 is
// accepted when its checksum (positions 10-11) is right; it stores nothing and
// changes neither highest value.
//
// Throws FileInputError when reading the file fails.
int ReadHexRecord(TextLineReader& file, bool decode, HexReadState& state, FirmwareImages& images);

// The same for one plain line already in hand.
int ParseHexRecord(std::string_view line, HexReadState& state, FirmwareImages& images);

}  // namespace canalarm
