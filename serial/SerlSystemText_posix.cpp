// SPDX-License-Identifier: MIT
// System error texts on POSIX systems.
//
// There is no Win32 message table here, so we carry our own texts for the
// Win32-numbered errors the POSIX back end produces. They are worded for a
// serial port, since that is the only device this layer opens.
#include "serial/SerlSystemText.h"

#include <string_view>

#include "serial/SerlErrors.h"

namespace canalarm::serl {
namespace {

struct SystemTextRow {
  std::uint32_t number;
  std::string_view text;
};

constexpr SystemTextRow kSystemTexts[] = {
    {sysInvalidFunction, "Incorrect function. The serial driver does not support this operation."},
    {sysFileNotFound, "The system cannot find the file specified. No serial port of that name exists."},
    {sysPathNotFound, "The system cannot find the path specified. No serial port of that name exists."},
    {sysAccessDenied,
     "Access is denied. The serial port is in use by another program; close that program and try again."},
    {sysInvalidHandle, "The handle is invalid. The serial port is not open."},
    {sysGenFailure,
     "A device attached to the system is not functioning. The serial adapter may have been unplugged."},
    {sysInvalidParameter, "The parameter is incorrect. The serial driver rejected the port settings."},
    {sysOperationAborted,
     "The I/O operation has been aborted because of either a thread exit or an application request."},
    {sysIoDevice, "The request could not be performed because of an I/O device error."},
    {sysDeviceNotConnected, "The device is not connected. The serial adapter may have been unplugged."},
    {sysPermissionDenied,
     "Permission denied: this user may not open the serial port. Add the user to the 'dialout' group "
     "(sudo usermod -aG dialout $USER), then log out and in again."},
};

}  // namespace

std::string SystemErrorText(std::uint32_t number) {
  for (const auto& row : kSystemTexts) {
    if (row.number == number) return std::string(row.text);
  }
  return {};
}

}  // namespace canalarm::serl
