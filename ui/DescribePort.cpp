// SPDX-License-Identifier: MIT
// DescribePort over the serial layer's port descriptions, the ones that
// `canalarm ports` shows.
#include <sys/stat.h>

#include <grp.h>

#include "serial/SerlPortDescription.h"
#include "ui/PortFacts.h"

namespace canalarm::ui {

namespace {

std::string OwningGroup(const std::string& device) {
  struct stat info {};
  if (::stat(device.c_str(), &info) != 0) return {};
  const struct group* owner = ::getgrgid(info.st_gid);
  return owner != nullptr && owner->gr_gid != 0 ? owner->gr_name : "";
}

// The name a fitter knows the adapter by.
std::string ProductName(const serl::TSerlPortDescription& port) {
  if (!port.friendlyName.empty()) return port.friendlyName;
  if (port.kind != serl::TPortKind::UsbAdapter) return {};
  if (!port.product.empty()) return port.product;
  if (!port.vendorId.empty()) return "USB " + port.vendorId + ":" + port.productId;
  return "USB";
}

}  // namespace

PortFacts DescribePort(int n) {
  const serl::TSerlPortDescription port = serl::DescribeComPort(n);
  PortFacts facts;
  facts.number = n;
  facts.device = port.device;
  facts.present = port.present;
  facts.inUse = port.inUse;
  facts.noAccess = port.noAccess;
  facts.product = ProductName(port);
  if (port.noAccess) facts.group = OwningGroup(port.device);
  return facts;
}

}  // namespace canalarm::ui
