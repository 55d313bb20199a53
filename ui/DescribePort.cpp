// SPDX-License-Identifier: MIT
// DescribePort over the serial layer's port descriptions, the ones that
// `canalarm ports` shows.
#include "serial/SerlPortDescription.h"
#include "ui/PortFacts.h"

namespace canalarm::ui {

namespace {

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
  facts.holder = port.holder;
  facts.noAccess = port.noAccess;
  facts.product = ProductName(port);
  if (port.kind == serl::TPortKind::PseudoTerminal) facts.kind = PortKindName::PseudoTerminal;
  if (port.kind == serl::TPortKind::OnboardUart) facts.kind = PortKindName::Onboard;
  facts.group = port.ownerGroup;
  return facts;
}

}  // namespace canalarm::ui
