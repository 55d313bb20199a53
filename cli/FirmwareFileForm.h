// SPDX-License-Identifier: MIT
// Which form the command line reads a firmware file in, and what it says
// when the file does not load in that form.
#pragma once

#include <string>

#include "firmware/FirmwareForm.h"
#include "firmware/FirmwareLoad.h"

namespace CLI {
class App;
}

namespace canalarm::cli {

// How the form was chosen: by --plain, by --encoded, or by the file's name.
struct FormChoice {
  bool plain = false;    // --plain
  bool encoded = false;  // --encoded
};

// --plain or --encoded when given, otherwise the form of the file's name
// (".hex" plain, anything else record-encoded), as the window reads it.
FirmwareForm ChooseFirmwareForm(const std::string& file, const FormChoice& choice);

// Adds --plain and --encoded, which exclude each other, to `command`.
void AddFormOptions(CLI::App& command, FormChoice& choice);

// Whether the firmware load reads `file` in `form` up to its end record.
bool LoadsAs(const std::string& file, FirmwareForm form);

// Where and why a load ended, for people: "loaded, end record at line 12",
// "failed at line pair 3: checksum mismatch".
std::string LoadOutcomeText(const LoadResult& load, FirmwareForm form);

// The explanation of a file that did not load: the form tried and why it
// was chosen, where it failed, and whether the file loads in the other form
// and the option that asks for it. Reads the file again to tell.
std::string LoadFailureText(const std::string& file, FirmwareForm form, const FormChoice& choice,
                            const LoadResult& load);

}  // namespace canalarm::cli
