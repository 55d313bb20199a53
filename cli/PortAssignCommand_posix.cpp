// SPDX-License-Identifier: MIT
// Assigning COM numbers on Linux: links in the ports folder.
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "cli/ExitStatus.h"
#include "cli/PortAssignCommand.h"
#include "serial/SerlPortPaths.h"

namespace canalarm::cli {

namespace fs = std::filesystem;

namespace {

fs::path LinkOf(int n) { return serl::PortsFolder() / ("com" + std::to_string(n)); }

bool IsCharacterDevice(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// Replaces or makes the link in one step: a new link beside it, renamed over.
bool PlaceLink(const fs::path& link, const fs::path& target, std::string& error) {
  std::error_code ec;
  fs::create_directories(link.parent_path(), ec);
  const fs::path temporary = link.parent_path() / (".new-" + link.filename().string());
  fs::remove(temporary, ec);
  fs::create_symlink(target, temporary, ec);
  if (!ec) fs::rename(temporary, link, ec);
  if (ec) {
    error = ec.message();
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace

int RunAssign(const std::string& com, const std::string& device, bool force,
              const serl::TSerlSystemRoots& roots, std::ostream& out, std::ostream& err) {
  const int n = ParseComNumber(com);
  if (n == 0) {
    err << "canalarm: " << com << ": not a port from COM1 to COM" << kMaxAssignedPort << "\n";
    return kExitUsage;
  }
  std::error_code ec;
  const fs::path given = fs::absolute(device, ec).lexically_normal();
  const serl::TSerlPortDescription port = serl::DescribeDevice(given.string(), roots);
  if (port.kind == serl::TPortKind::Absent) {
    err << "canalarm: " << device << ": no such device\n";
    return kExitUsage;
  }
  if (!IsCharacterDevice(given.string()) || !serl::IsAssignableSerialDevice(port)) {
    err << "canalarm: " << device << ": not a serial device";
    if (!port.absentReason.empty()) err << " (" << port.absentReason << ")";
    err << "\n";
    return kExitUsage;
  }
  const fs::path target =
      port.byIdName.empty() ? given : roots.dev / "serial" / "by-id" / port.byIdName;
  const fs::path link = LinkOf(n);
  const auto status = fs::symlink_status(link, ec);
  if (fs::is_symlink(status)) {
    const fs::path old = fs::read_symlink(link, ec);
    if (old == target) {
      out << "COM" << n << " -> " << target.string() << " (unchanged)\n";
      return kExitOk;
    }
    if (!force) {
      err << "canalarm: COM" << n << " already links to " << old.string()
          << "; add --force to replace it\n";
      return kExitUsage;
    }
  } else if (fs::exists(status)) {
    err << "canalarm: " << link.string() << " is not a link; left alone\n";
    return kExitUsage;
  }
  std::string error;
  if (!PlaceLink(link, target, error)) {
    err << "canalarm: " << link.string() << ": " << error << "\n";
    return kExitUsage;
  }
  out << "COM" << n << " -> " << target.string() << " (" << serl::PortSummary(port) << ")\n";
  return kExitOk;
}

int RunUnassign(const std::string& com, std::ostream& out, std::ostream& err) {
  const int n = ParseComNumber(com);
  if (n == 0) {
    err << "canalarm: " << com << ": not a port from COM1 to COM" << kMaxAssignedPort << "\n";
    return kExitUsage;
  }
  const fs::path link = LinkOf(n);
  std::error_code ec;
  const auto status = fs::symlink_status(link, ec);
  if (!fs::is_symlink(status)) {
    if (fs::exists(status))
      err << "canalarm: " << link.string() << " is not a link; left alone\n";
    else
      err << "canalarm: COM" << n << " has no link in " << serl::PortsFolder().string() << "\n";
    return kExitUsage;
  }
  const fs::path old = fs::read_symlink(link, ec);
  if (!fs::remove(link, ec) || ec) {
    err << "canalarm: " << link.string() << ": " << ec.message() << "\n";
    return kExitUsage;
  }
  out << "COM" << n << " unassigned (was " << old.string() << ")";
  if (const std::string fallback = serl::DefaultComDevice(n); !fallback.empty())
    out << "; it is " << fallback << " again";
  out << "\n";
  return kExitOk;
}

}  // namespace canalarm::cli
