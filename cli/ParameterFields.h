// SPDX-License-Identifier: MIT
// The parameters by name, for `canalarm params` and its JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "params/ParameterBlock.h"

namespace canalarm::cli {

// Applies one FIELD=VALUE to `set` as the tab's controls would take it.
// Fields: the switch names (soundOff, autoArming, ..., fs1, fs2, fs3,
// modeFA) with on/off, 1/0, true/false or yes/no; mode=FI|FA; pin=NNNN (four
// digits); programNumber=NN (11..99, units digit not 0). FS1 and FS3 keep
// their interlock: the later one set wins. Returns an empty string, or what
// is wrong.
std::string ApplyParameterField(ParameterSet& set, std::string_view assignment);

// The first contradiction among FIELD=VALUE assignments, in words naming
// both, or an empty string: one field given twice with different values
// (mode and modeFA count as one), or fs1=on with fs3=on, which exclude each
// other. Assignments that are wrong by themselves are left to ApplyParameterField.
std::string FieldConflict(const std::vector<std::string>& assignments);

// The parameters as named JSON fields. A PIN or program number that the
// module does not hold as one (an erased module) is null, beside its bytes:
// "pinBytes", "programNumberByte".
nlohmann::ordered_json ParametersJson(const ParameterSet& set);

// The parameters as "name = value" lines; "not set (byte ff)" for a PIN or
// program number that the module does not hold as one.
std::string ParametersText(const ParameterSet& set);

}  // namespace canalarm::cli
