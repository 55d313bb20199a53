// SPDX-License-Identifier: MIT
// Names and exit statuses of the link operations' outcomes.
#pragma once

#include <string_view>

#include "link/LinkOutcome.h"

namespace canalarm::cli {

// "done", "no-bootloader", ... for JSON and summaries.
std::string_view OutcomeName(LinkOutcome outcome);

// 0 done, 1 the module or the link failed, 2 a file problem or a refused
// request, 3 the port could not be opened, 130 cancelled.
int OutcomeExitStatus(LinkOutcome outcome);

}  // namespace canalarm::cli
