// SPDX-License-Identifier: MIT
// Makes the emulator reachable as COMn: a link "comN" in the tool's ports
// folder, $XDG_CONFIG_HOME/canalarm/ports (default ~/.config/canalarm/ports),
// pointing at the pseudo-terminal. The link goes away with the object, unless
// someone has pointed it elsewhere in the meantime.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace canalarm::emu {

// n for "COMn" (any case) with n from 1 to 255; throws std::invalid_argument otherwise.
int ParseComName(std::string_view name);

class PortLink {
 public:
  // Creates the folder if needed and the link, replacing an earlier link of
  // that name (a left-over of an emulator that was killed). Throws
  // std::runtime_error when "comN" exists and is not a link.
  PortLink(int comNumber, std::string device);
  ~PortLink();
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::string device_;
};

}  // namespace canalarm::emu
