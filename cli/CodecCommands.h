// SPDX-License-Identifier: MIT
// `canalarm encode` and `canalarm decode`: convert between plain Intel HEX
// and record-encoded firmware files.
#pragma once

#include <ostream>
#include <string>

namespace CLI {
class App;
}

namespace canalarm::cli {

struct EncodeOptions {
  std::string input;     // plain Intel HEX
  std::string helpText;  // optional: each line becomes a help line
  std::string output;
};

struct DecodeOptions {
  std::string input;  // record-encoded
  std::string output;
};

// Writes a record-encoded file whose pairs decode to the plain lines of the
// input: its lines up to and including the end record, then its help lines,
// then one help line per line of the help-text file. Refuses (exit status 2,
// nothing written) when a line can't be record-encoded. Warns when the
// records would not load.
int RunEncode(const EncodeOptions& options, std::ostream& out, std::ostream& err);

// Writes the plain lines of a record-encoded file, one per line.
int RunDecode(const DecodeOptions& options, std::ostream& out, std::ostream& err);

void AddEncodeCommand(CLI::App& app, int& exitStatus);
void AddDecodeCommand(CLI::App& app, int& exitStatus);

}  // namespace canalarm::cli
