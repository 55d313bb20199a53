// SPDX-License-Identifier: MIT
#include "serial/SerlErrorText.h"

#include <array>

#include "serial/SerlSystemText.h"

namespace canalarm::serl {
namespace {

// Rows for the groups this program can raise. Groups it never raises (modem,
// triggers, protocols, configuration files, fax, telephony, user-interface
// texts) are left out; their codes fall back to the system text like any code
// without a row.
constexpr std::array kErrorTexts = std::to_array<ErrorTextRow>({
    {0, "OK"},
    // File and device I/O.
    {-2, "File not found"},
    {-3, "Path not found"},
    {-4, "Too many open files"},
    {-5, "File access denied"},
    {-6, "Invalid file handle"},
    {-8, "Insufficient memory"},
    {-15, "Invalid drive"},
    {-18, "No more files"},
    {-100, "Attempt to read beyond end of file"},
    {-101, "Disk is full"},
    {-102, "File/device not assigned"},
    {-103, "File/device not open"},
    {-104, "File/device not open for input"},
    {-105, "File/device not open for output"},
    {-150, "Disk is write-protected"},
    {-151, "Unknown disk unit"},
    {-152, "Drive is not ready"},
    {-153, "Unknown command"},
    {-154, "Data error"},
    {-155, "Bad request structure length"},
    {-156, "Seek error"},
    {-157, "Unknown media type"},
    {-158, "Disk sector not found"},
    {-159, "Printer is out of paper"},
    {-160, "Device write error"},
    {-161, "Device read error"},
    {-162, "General failure"},
    // General.
    {-1001, "Bad handle passed to com function"},
    {-1002, "Bad argument passed to function"},
    {-1003, "Got quit message"},
    {-1004, "Terminal buffer greater than 65521"},
    {-1005, "ComPort component not assigned"},
    {-1006, "Internal error creating window class"},
    {-1007, "Modem component not assigned"},
    {-1008, "Phonebook component not assigned"},
    {-1009, "Component not compatible with WinSock"},
    // Opening a port.
    {-2001, "ie_BadId - Specified comport doesn't exist"},
    {-2002, "ie_Baudrate - unsupported baud rate"},
    {-2003, "ie_Bytesize - invalid byte size"},
    {-2004, "ie_Default - error in default parameters"},
    {-2005, "ie_Hardware - Specified comport in use"},
    {-2006, "ie_Memory - unable to allocate queues"},
    {-2007, "ie_NOpen - device not open"},
    {-2008, "ie_Open - device already open"},
    {-2009, "No more handles, can't open port"},
    {-2010, "No timers available"},
    {-2011, "The ComNumber property of the TSerlComPort has not been set"},
    {-2012, "Comport was not opened by Tapi"},
    // Serial I/O.
    {-3001, "No device layer specified"},
    {-3002, "Function not supported by driver"},
    {-3003, "EnableCommNotification failed"},
    {-3004, "Failed to put entire block"},
    {-3005, "Failed to get entire block"},
    {-3006, "Output buffer too small for block"},
    {-3007, "Buffer is empty"},
    {-3008, "Tracing not enabled"},
    {-3009, "Logging not enabled"},
    {-3010, "Base address not set"},
});

// The binary search depends on this order; a misplaced row would silently
// hide its neighbours.
constexpr bool SortedByUniqueMagnitude() {
  for (std::size_t i = 1; i < kErrorTexts.size(); ++i) {
    if (CodeMagnitude(kErrorTexts[i - 1].code) >= CodeMagnitude(kErrorTexts[i].code)) return false;
  }
  return true;
}
static_assert(SortedByUniqueMagnitude(), "error text rows must be sorted by unique magnitude");

}  // namespace

std::span<const ErrorTextRow> ErrorTextTable() noexcept { return kErrorTexts; }

int TableSearchMiddle(int low, int high) noexcept {
  const int sum = low + high;  // both non-negative and small: no overflow
  int middle = sum / 2;
  if (sum % 2 != 0 && middle % 2 != 0) ++middle;  // x.5: take the even neighbour
  return middle;
}

const ErrorTextRow* FindErrorText(std::uint32_t magnitude) noexcept {
  int low = 0;
  int high = static_cast<int>(kErrorTexts.size()) - 1;
  while (low <= high) {
    const int middle = TableSearchMiddle(low, high);
    const std::uint32_t found = CodeMagnitude(kErrorTexts[middle].code);
    if (found == magnitude) return &kErrorTexts[middle];
    if (found > magnitude) {
      high = middle - 1;
    } else {
      low = middle + 1;
    }
  }
  return nullptr;
}

std::string CleanSystemText(std::string_view raw) {
  raw = raw.substr(0, kMaxErrorTextLength);
  std::string text;
  text.reserve(raw.size());
  for (const char c : raw) {
    const char cleaned = static_cast<unsigned char>(c) < 32 ? ' ' : c;
    if (cleaned == ' ' && !text.empty() && text.back() == ' ') continue;
    text.push_back(cleaned);
  }
  return text;
}

std::string ErrorMessage(int code) {
  const std::uint32_t magnitude = CodeMagnitude(code);
  if (const ErrorTextRow* row = FindErrorText(magnitude)) {
    return std::string(row->text.substr(0, kMaxErrorTextLength));
  }
  return CleanSystemText(SystemErrorText(magnitude));
}

}  // namespace canalarm::serl
