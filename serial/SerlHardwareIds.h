// SPDX-License-Identifier: MIT
// What Windows' device ids say about a port: "USB\\VID_0403&PID_6001&REV_0600"
// (hardware id) and "USB\\VID_0403&PID_6001\\A1B2C3" (instance id) give the
// kind, the USB ids and the serial number. Plain string work, so it builds
// and is tested everywhere.
#pragma once

#include <string>

#include "serial/SerlPortDescription.h"

namespace canalarm::serl {

// Sets kind, and for a USB device vendorId, productId (lower-case hex) and
// serialNumber when the instance id carries one.
void DescribeWindowsHardwareId(const std::string& hardwareId, const std::string& instanceId,
                               TSerlPortDescription& port);

}  // namespace canalarm::serl
