// DescribePort over the serial layer's port paths and probe.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <grp.h>

#include "serial/SerlPortPaths.h"
#include "serial/SerlPortProbe.h"
#include "ui/PortFacts.h"

namespace canalarm::ui {

namespace {

// The product name a USB device gives, found above the tty in sysfs.
std::string UsbProduct(const std::string& device) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path node = fs::canonical(fs::path("/sys/class/tty") / fs::path(device).filename() / "device", error);
  if (error) return {};
  for (int up = 0; up < 4 && !node.empty(); ++up, node = node.parent_path()) {
    std::ifstream file(node / "product");
    std::string product;
    if (file && std::getline(file, product) && !product.empty()) return product;
  }
  return {};
}

std::string OwningGroup(const std::string& device) {
  struct stat info{};
  if (::stat(device.c_str(), &info) != 0) return {};
  const struct group* owner = ::getgrgid(info.st_gid);
  return owner != nullptr && owner->gr_gid != 0 ? owner->gr_name : "";
}

}  // namespace

PortFacts DescribePort(int n) {
  PortFacts facts;
  facts.number = n;
  facts.device = serl::ResolveDevicePath(serl::ComPortPath(n));
  serl::TPortState state = serl::TPortState::Free;
  facts.present = !facts.device.empty() && serl::ProbePort(n, &state, true);
  if (!facts.present) return facts;
  facts.inUse = state == serl::TPortState::InUse;
  facts.noAccess = state == serl::TPortState::NoAccess;
  facts.product = UsbProduct(facts.device);
  facts.group = OwningGroup(facts.device);
  return facts;
}

}  // namespace canalarm::ui
