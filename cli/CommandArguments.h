// SPDX-License-Identifier: MIT
// The program's arguments in UTF-8, as the core takes file names. On Windows
// main()'s argv is in the ANSI code page, where a name outside it is lost
// (turned into '?'), so the wide command line is read instead.
#pragma once

#include <string>
#include <vector>

namespace canalarm::cli {

// The arguments after the program's name, in UTF-8 (POSIX: argv as it is).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace canalarm::cli
