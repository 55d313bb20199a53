// SPDX-License-Identifier: MIT
#include "cli/FirmwareFileForm.h"

#include <CLI/CLI.hpp>

#include "firmware/LoadSummary.h"
#include "firmware/TextLineReader.h"

namespace canalarm::cli {

namespace {

FirmwareForm Other(FirmwareForm form) {
  return form == FirmwareForm::Plain ? FirmwareForm::RecordEncoded : FirmwareForm::Plain;
}

std::string_view OptionFor(FirmwareForm form) {
  return form == FirmwareForm::Plain ? "--plain" : "--encoded";
}

}  // namespace

bool LoadsAs(const std::string& file, FirmwareForm form) {
  FirmwareImages images;
  try {
    return LoadFirmware(file, Decodes(form), images).outcome == LoadOutcome::Loaded;
  } catch (const FileInputError&) {
    return false;
  }
}

FirmwareForm ChooseFirmwareForm(const std::string& file, const FormChoice& choice) {
  if (choice.plain) return FirmwareForm::Plain;
  if (choice.encoded) return FirmwareForm::RecordEncoded;
  return FirmwareFormOfName(file);
}

void AddFormOptions(CLI::App& command, FormChoice& choice) {
  CLI::Option* plain = command.add_flag(
      "--plain", choice.plain, "Read the file as plain Intel HEX (the default for a name ending in .hex)");
  CLI::Option* encoded = command.add_flag(
      "--encoded", choice.encoded, "Read the file as record-encoded (the default for any other name, such as .hexfw)");
  plain->excludes(encoded);
}

std::string LoadOutcomeText(const LoadResult& load, FirmwareForm form) {
  return DescribeLoad(load, Decodes(form));
}

std::string LoadFailureText(const std::string& file, FirmwareForm form, const FormChoice& choice,
                            const LoadResult& load) {
  if (load.outcome == LoadOutcome::CannotOpen || load.outcome == LoadOutcome::NoFileSelected)
    return "cannot open " + file;
  const bool byName = !choice.plain && !choice.encoded;
  std::string text = file + ": read as " + std::string(FirmwareFormName(form)) + " (" +
                     (byName ? std::string("by its name") : std::string(OptionFor(form))) + "): " +
                     LoadOutcomeText(load, form) + "; ";
  const FirmwareForm other = Other(form);
  if (LoadsAs(file, other)) {
    text += "it loads as " + std::string(FirmwareFormName(other)) + ": use " + std::string(OptionFor(other));
  } else {
    text += "it does not load as " + std::string(FirmwareFormName(other)) + " (" +
            std::string(OptionFor(other)) + ") either";
  }
  return text;
}

}  // namespace canalarm::cli
