// SPDX-License-Identifier: MIT
#include "emu/PortLink.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <iostream>
#include <system_error>

#include "serial/SerlPortPaths.h"

namespace canalarm::emu {

namespace fs = std::filesystem;

namespace {

// Builds `path` beside itself and renames it into place: never a moment
// without it, never a half-made one.
template <typename Make>
void ReplaceAtomically(const fs::path& path, Make make) {
  const fs::path temp = path.parent_path() / (path.filename().string() + ".new." + std::to_string(getpid()));
  std::error_code ec;
  fs::remove(temp, ec);
  make(temp);
  fs::rename(temp, path);
}

void PointLink(const fs::path& link, const std::string& target) {
  ReplaceAtomically(link, [&target](const fs::path& temp) { fs::create_symlink(target, temp); });
}

bool ProcessAlive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

// The link is what an emulator that was killed left: its note names the
// link's target and a process that has gone, or, without a note, the
// pseudo-terminal has gone.
bool LeftByAKilledEmulator(const std::string& target, const std::optional<PortLinkNote>& note) {
  if (note && note->device == target) return note->pid != getpid() && !ProcessAlive(note->pid);
  return IsGonePseudoTerminal(target);
}

}  // namespace

int ParseComName(std::string_view name) {
  const auto bad = [&] {
    std::string message = "\"";  // appended: see Bad() in OptionValues.cpp
    message.append(name).append("\" is not a port name like COM3");
    return std::invalid_argument(message);
  };
  // The serial layer's own parser, so that the emulator takes the names the
  // tool resolves; it gives 0 for anything that isn't COMn.
  const int n = serl::ParseComPortPath(name);
  if (n < 1 || n > 255) throw bad();
  return n;
}

bool IsGonePseudoTerminal(std::string_view target) {
  if (!target.starts_with("/dev/pts/") || target.size() == 9) return false;
  std::error_code ec;
  return !fs::exists(fs::symlink_status(fs::path(target), ec));
}

fs::path NotePath(const fs::path& link) {
  return link.parent_path() / ("." + link.filename().string() + ".canalarm-emu");
}

std::optional<PortLinkNote> ReadNote(const fs::path& link) {
  std::ifstream in(NotePath(link));
  PortLinkNote note;
  std::string pid;
  if (!std::getline(in, pid) || !std::getline(in, note.device)) return std::nullopt;
  std::getline(in, note.replaced);
  try {
    note.pid = static_cast<pid_t>(std::stol(pid));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return note;
}

void WriteNote(const fs::path& link, const PortLinkNote& note) {
  ReplaceAtomically(NotePath(link), [&note](const fs::path& temp) {
    std::ofstream out(temp);
    out << note.pid << '\n' << note.device << '\n' << note.replaced << '\n';
    if (!out.flush()) throw std::runtime_error("cannot write " + temp.string());
  });
}

PortLink::PortLink(int comNumber, std::string device, bool replaceOther)
    : path_(serl::PortsFolder() / ("com" + std::to_string(comNumber))), device_(std::move(device)) {
  fs::create_directories(path_.parent_path());
  std::error_code ec;
  const auto status = fs::symlink_status(path_, ec);
  if (!ec && fs::exists(status) && !fs::is_symlink(status)) {
    throw PortLinkTaken(path_.string() + " exists and is not a link; not replacing it");
  }
  if (fs::is_symlink(status)) {
    const std::string target = fs::read_symlink(path_).string();
    const std::optional<PortLinkNote> note = ReadNote(path_);
    if (LeftByAKilledEmulator(target, note)) {
      // The fitter's link that the killed emulator had taken comes back at our end.
      if (note && note->device == target) replaced_ = note->replaced;
    } else if (target != device_) {
      if (!replaceOther) {
        const std::string com = "COM" + std::to_string(comNumber);
        throw PortLinkTaken(com + " is a link to " + target + " (" + path_.string() +
                            ") that this emulator did not make; not replacing it. Choose another "
                            "COM number, or add --replace-link to use " + com +
                            " while the emulator runs and put the link back when it ends");
      }
      replaced_ = target;
    }
  }
  WriteNote(path_, {getpid(), device_, replaced_});
  PointLink(path_, device_);
}

PortLink::~PortLink() {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path_, ec)) && fs::read_symlink(path_, ec) == device_) {
    if (replaced_.empty()) {
      fs::remove(path_, ec);
    } else {
      try {
        PointLink(path_, replaced_);
      } catch (const std::exception& e) {
        // The fitter must hear of it: the port would otherwise stay lost.
        std::cerr << "canalarm-emu: could not put back " << path_.string() << " -> " << replaced_
                  << ": " << e.what() << std::endl;
      }
    }
  }
  if (const std::optional<PortLinkNote> note = ReadNote(path_); note && note->pid == getpid())
    fs::remove(NotePath(path_), ec);
}

}  // namespace canalarm::emu
