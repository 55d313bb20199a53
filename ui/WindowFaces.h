// SPDX-License-Identifier: MIT
// The faces the window brings along where the system may lack them.
#pragma once

namespace canalarm::ui {

// Registers the faces built into the program (DejaVu Sans Condensed on
// Windows, which has no narrow face of its own) with the application's font
// database; once per run, before the window sets its fonts. Where the
// program carries none, it does nothing.
void LoadWindowFaces();

}  // namespace canalarm::ui
