// SPDX-License-Identifier: MIT
#include "cli/LinkOutcomeText.h"

#include "cli/ExitStatus.h"

namespace canalarm::cli {

std::string_view OutcomeName(LinkOutcome outcome) { return LinkOutcomeName(outcome); }

int OutcomeExitStatus(LinkOutcome outcome) {
  switch (outcome) {
    case LinkOutcome::Done: return kExitOk;
    case LinkOutcome::NoFileSelected:
    case LinkOutcome::FileReadError:
    case LinkOutcome::NotAllowed:
    case LinkOutcome::PinIncomplete:
    case LinkOutcome::BackupFailed: return kExitUsage;
    case LinkOutcome::PortOpenError: return kExitPortError;
    case LinkOutcome::Cancelled: return kExitCancelled;
    case LinkOutcome::NoBootloader:
    case LinkOutcome::CommError:
    case LinkOutcome::WriteRefused:
    case LinkOutcome::VerifyFailed:
    case LinkOutcome::ReadsDiffer:
    case LinkOutcome::PortLost:
    case LinkOutcome::ModuleChanged: break;
  }
  return kExitFailed;
}

}  // namespace canalarm::cli
