// SPDX-License-Identifier: MIT
// Exit statuses of the `canalarm` command line.
#pragma once

namespace canalarm::cli {

enum ExitStatus : int {
  kExitOk = 0,          // done
  kExitFailed = 1,      // the load, the module or the link failed
  kExitUsage = 2,       // usage error, or a file that can't be read or written
  kExitPortError = 3,   // the port could not be opened
  kExitCancelled = 130  // cancelled by the user (Ctrl-C)
};

}  // namespace canalarm::cli
