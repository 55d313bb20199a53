// SPDX-License-Identifier: MIT
#include "link/LinkOutcome.h"

namespace canalarm {

std::string_view LinkOutcomeName(LinkOutcome outcome) {
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
    case LinkOutcome::PortLost: return "port-lost";
    case LinkOutcome::ModuleChanged: return "module-changed";
    case LinkOutcome::BackupFailed: return "backup-failed";
  }
  return "unknown";
}

}  // namespace canalarm
