// SPDX-License-Identifier: MIT
// Makes the emulator reachable as COMn: a link "comN" in the tool's ports
// folder, $XDG_CONFIG_HOME/canalarm/ports (default ~/.config/canalarm/ports),
// pointing at the pseudo-terminal.
//
// A fitter's own link (com22 -> /dev/ttyUSB0, or a link to nothing that
// hides a port) is not the emulator's to take: it is refused unless the
// caller says to replace it, and then put back when the emulator ends.
//
// Beside its link the emulator keeps a note, ".comN.canalarm-emu": its
// process id, its pseudo-terminal and the target of the link it replaced.
// The note tells a later emulator that a link is the left-over of one that
// was killed (its process is gone), even when the pseudo-terminal's number
// has been given to another terminal since; that link is replaced without
// asking, and the fitter's link that the killed one had replaced comes back
// when the new one ends. Without a note, a link to a pseudo-terminal that no
// longer exists counts as such a left-over too.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace canalarm::emu {

// n for "COMn" (any case) with n from 1 to 255; throws std::invalid_argument otherwise.
int ParseComName(std::string_view name);

// Whether a link target is a pseudo-terminal that has gone: "/dev/pts/N"
// with nothing of that name.
bool IsGonePseudoTerminal(std::string_view target);

// What an emulator notes beside the link it made.
struct PortLinkNote {
  pid_t pid = 0;
  std::string device;    // the link's target: the emulator's pseudo-terminal
  std::string replaced;  // the target of the link it replaced; empty when none
};

// The note's file for a link "comN": ".comN.canalarm-emu" beside it.
std::filesystem::path NotePath(const std::filesystem::path& link);
// Reads a note; nothing when there is none or it can't be read.
std::optional<PortLinkNote> ReadNote(const std::filesystem::path& link);
// Writes the note whole, or throws.
void WriteNote(const std::filesystem::path& link, const PortLinkNote& note);

// comN holds something the emulator will not replace.
class PortLinkTaken : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PortLink {
 public:
  // Creates the folder if needed, the note and the link. An existing "comN"
  // link is replaced when it leads to `device`, when it is the left-over of
  // an emulator that was killed (see above), or, with `replaceOther`,
  // whatever it leads to; otherwise PortLinkTaken is thrown and the link
  // stays as it is. A "comN" that is not a link is never replaced
  // (PortLinkTaken).
  PortLink(int comNumber, std::string device, bool replaceOther);
  // Removes the link, or puts back the fitter's link it replaced; a link
  // that someone has pointed elsewhere meanwhile is left alone. Removes its
  // note.
  ~PortLink();
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The target of the fitter's link that comes back at the end; empty when
  // there is none.
  const std::string& Replaced() const { return replaced_; }

 private:
  std::filesystem::path path_;
  std::string device_;
  std::string replaced_;
};

}  // namespace canalarm::emu
