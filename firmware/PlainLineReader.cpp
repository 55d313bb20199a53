// SPDX-License-Identifier: MIT
#include "firmware/PlainLineReader.h"

#include "firmware/RecordCipher.h"

namespace canalarm {

std::string ReadPlainLine(TextLineReader& file, bool decode, std::int32_t& recordCounter) {
  if (!decode) return file.ReadLine();
  ++recordCounter;
  const std::string enciphered = file.ReadLine();
  std::string plain = CipherLine(enciphered, PairKey(recordCounter), false);
  file.ReadLine();  // the filler line of the pair
  return plain;
}

}  // namespace canalarm
