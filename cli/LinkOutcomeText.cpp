// SPDX-License-Identifier: MIT
#include "cli/LinkOutcomeText.h"

#include "cli/ExitStatus.h"

namespace canalarm::cli {

std::string_view OutcomeName(LinkOutcome outcome) {
  switch (outcome) {
    case LinkOutcome::Done: return "done";
    case LinkOutcome::NoFileSelected: return "no-file";
    case LinkOutcome::FileReadError: return "file-error";
    case LinkOutcome::PortOpenError: return "port-error";
    case LinkOutcome::NoBootloader: return "no-bootloader";
    case LinkOutcome::Cancelled: return "cancelled";
    case LinkOutcome::CommError: return "timeout";
    case LinkOutcome::WriteRefused: return "write-refused";
    case LinkOutcome::VerifyFailed: return "verify-failed";
    case LinkOutcome::NotAllowed: return "not-allowed";
    case LinkOutcome::ReadsDiffer: return "reads-differ";
    case LinkOutcome::PinIncomplete: return "pin-incomplete";
  }
  return "unknown";
}

int OutcomeExitStatus(LinkOutcome outcome) {
  switch (outcome) {
    case LinkOutcome::Done: return kExitOk;
    case LinkOutcome::NoFileSelected:
    case LinkOutcome::FileReadError:
    case LinkOutcome::NotAllowed:
    case LinkOutcome::PinIncomplete: return kExitUsage;
    case LinkOutcome::PortOpenError: return kExitPortError;
    case LinkOutcome::Cancelled: return kExitCancelled;
    case LinkOutcome::NoBootloader:
    case LinkOutcome::CommError:
    case LinkOutcome::WriteRefused:
    case LinkOutcome::VerifyFailed:
    case LinkOutcome::ReadsDiffer: break;
  }
  return kExitFailed;
}

}  // namespace canalarm::cli
