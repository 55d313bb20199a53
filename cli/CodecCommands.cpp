// SPDX-License-Identifier: MIT
#include "cli/CodecCommands.h"

#include <CLI/CLI.hpp>
#include <optional>
#include <vector>

#include "cli/ExitStatus.h"
#include "cli/FileOutput.h"
#include "cli/FirmwareFileForm.h"
#include "firmware/FileName.h"
#include "firmware/FirmwareImages.h"
#include "firmware/HexRecordReader.h"
#include "firmware/PlainLineReader.h"
#include "firmware/RecordEncoder.h"
#include "firmware/TextLineReader.h"

namespace canalarm::cli {

namespace {

constexpr std::string_view kEndRecord = ":00000001FF";

// A plain line and where it came from, for messages.
struct SourcedLine {
  std::string text;
  const std::string* file;
  std::size_t lineNumber;
};

std::optional<std::vector<std::string>> ReadLines(const std::string& path, std::string& error) {
  try {
    auto reader = TextLineReader::OpenFile(PathFromUtf8(path));
    if (!reader) {
      error = "cannot open " + path;
      return std::nullopt;
    }
    std::vector<std::string> lines;
    while (!reader->AtEnd()) lines.push_back(reader->ReadLine());
    return lines;
  } catch (const FileInputError& e) {
    error = e.what();
    return std::nullopt;
  }
}

// The plain lines of a record-encoded text, as a reader will see them.
std::vector<std::string> DecodeText(std::string_view text) {
  TextLineReader reader(text);
  std::vector<std::string> lines;
  std::int32_t counter = 0;
  while (!reader.AtEnd()) lines.push_back(ReadPlainLine(reader, true, counter));
  return lines;
}

// Warns about the first record that the firmware load would refuse.
void WarnIfNotLoadable(const std::vector<SourcedLine>& records, std::ostream& err) {
  FirmwareImages images;
  HexReadState state;
  for (const SourcedLine& line : records) {
    const int result = ParseHexRecord(line.text, state, images);
    if (result == kRecordEnd) return;
    if (result != kRecordAccepted) {
      err << "canalarm: warning: " << *line.file << " line " << line.lineNumber
          << (result == kRecordBadChecksum ? ": checksum mismatch" : ": not a valid record")
          << "; an upload will refuse this file\n";
      return;
    }
  }
  err << "canalarm: warning: no end record " << kEndRecord
      << "; an upload will refuse this file\n";
}

// A file that the firmware load reads in `form` and not in the other one
// is in `form`, whatever its name.
bool OnlyLoadsAs(const std::string& file, FirmwareForm form) {
  const FirmwareForm other =
      form == FirmwareForm::Plain ? FirmwareForm::RecordEncoded : FirmwareForm::Plain;
  return LoadsAs(file, form) && !LoadsAs(file, other);
}

}  // namespace

int RunEncode(const EncodeOptions& options, std::ostream& out, std::ostream& err) {
  if (OnlyLoadsAs(options.input, FirmwareForm::RecordEncoded)) {
    err << "canalarm: " << options.input
        << " is record-encoded already (it loads as such); encode reads plain Intel HEX\n";
    return kExitUsage;
  }
  std::string error;
  const auto input = ReadLines(options.input, error);
  if (!input) {
    err << "canalarm: " << error << '\n';
    return kExitUsage;
  }
  std::optional<std::vector<std::string>> helpText;
  if (!options.helpText.empty()) {
    helpText = ReadLines(options.helpText, error);
    if (!helpText) {
      err << "canalarm: " << error << '\n';
      return kExitUsage;
    }
  }

  // Records up to and including the end record, then the input's help lines.
  std::vector<SourcedLine> plain;
  bool pastEnd = false;
  for (std::size_t i = 0; i < input->size(); ++i) {
    const std::string& line = (*input)[i];
    if (!pastEnd || (!line.empty() && line[0] == ';'))
      plain.push_back({line, &options.input, i + 1});
    if (line == kEndRecord) pastEnd = true;
  }
  WarnIfNotLoadable(plain, err);
  if (helpText) {
    for (std::size_t i = 0; i < helpText->size(); ++i)
      plain.push_back({";" + (*helpText)[i], &options.helpText, i + 1});
  }

  std::vector<std::string> lines;
  for (const SourcedLine& line : plain) lines.push_back(line.text);
  std::string text;
  try {
    text = EncodeRecordText(lines);
  } catch (const EncodeError& e) {
    const SourcedLine& bad = plain[static_cast<std::size_t>(e.Pair() - 1)];
    err << "canalarm: " << *bad.file << " line " << bad.lineNumber
        << ": the line enciphers to a CR, LF or 0x1A byte, which would break the file; "
           "change the line\n";
    return kExitUsage;
  }
  if (DecodeText(text) != lines) {
    err << "canalarm: internal error: the encoded file would not read back as written\n";
    return kExitUsage;
  }
  error = WriteFileAtomically(PathFromUtf8(options.output), text);
  if (!error.empty()) {
    err << "canalarm: " << error << '\n';
    return kExitUsage;
  }
  out << "Wrote " << options.output << ": " << lines.size() << " lines\n";
  return kExitOk;
}

int RunDecode(const DecodeOptions& options, std::ostream& out, std::ostream& err) {
  // Deciphered, a plain file gives lines of noise that may well be written.
  if (OnlyLoadsAs(options.input, FirmwareForm::Plain)) {
    err << "canalarm: " << options.input
        << " is plain Intel HEX already (it loads as such); decode reads record-encoded files\n";
    return kExitUsage;
  }
  std::vector<std::string> lines;
  try {
    auto reader = TextLineReader::OpenFile(PathFromUtf8(options.input));
    if (!reader) {
      err << "canalarm: cannot open " << options.input << '\n';
      return kExitUsage;
    }
    std::int32_t counter = 0;
    while (!reader->AtEnd()) lines.push_back(ReadPlainLine(*reader, true, counter));
  } catch (const FileInputError& e) {
    err << "canalarm: " << e.what() << '\n';
    return kExitUsage;
  }
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // A plain line holding a line break would come back as other lines.
    if (lines[i].find_first_of(std::string_view("\n\r\x1A", 3)) != std::string::npos) {
      err << "canalarm: " << options.input << " line pair " << i + 1
          << " decodes to a CR, LF or 0x1A byte; is the file really record-encoded?\n";
      return kExitUsage;
    }
    text += lines[i];
    text += '\n';
  }
  const std::string error = WriteFileAtomically(PathFromUtf8(options.output), text);
  if (!error.empty()) {
    err << "canalarm: " << error << '\n';
    return kExitUsage;
  }
  out << "Wrote " << options.output << ": " << lines.size() << " lines\n";
  return kExitOk;
}

void AddEncodeCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<EncodeOptions>();
  CLI::App* command =
      app.add_subcommand("encode", "Write a record-encoded .hexfw file from a plain .hex file");
  command->add_option("IN", options->input, "Plain Intel HEX file")->required();
  command->add_option("--help-text", options->helpText,
                      "Text file whose lines become help lines of the firmware");
  command->add_option("-o,--output", options->output, "Record-encoded file to write")
      ->required();
  command->callback([options, &exitStatus] {
    exitStatus = RunEncode(*options, std::cout, std::cerr);
  });
}

void AddDecodeCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<DecodeOptions>();
  CLI::App* command =
      app.add_subcommand("decode", "Write the plain lines of a record-encoded .hexfw file");
  command->add_option("IN", options->input, "Record-encoded file")->required();
  command->add_option("-o,--output", options->output, "Plain file to write")->required();
  command->callback([options, &exitStatus] {
    exitStatus = RunDecode(*options, std::cout, std::cerr);
  });
}

}  // namespace canalarm::cli
