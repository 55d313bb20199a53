// SPDX-License-Identifier: MIT
// Port descriptions on Windows: the Ports device class of SetupAPI names
// each COM port ("PortName" in the device's key) and gives its friendly
// name, maker and hardware id; the port probe tells whether it is in use.
#include <windows.h>
#include <setupapi.h>

#include <map>

#include "serial/SerlHardwareIds.h"
#include "serial/SerlPortDescription.h"
#include "serial/SerlPortPaths.h"
#include "serial/SerlPortProbe.h"

namespace canalarm::serl {

namespace {

// The "Ports (COM & LPT)" device setup class.
constexpr GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(),
                        size, nullptr, nullptr);
  return text;
}

// A string property; for a list (REG_MULTI_SZ) its first item.
std::wstring DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD property) {
  wchar_t buffer[512] = {};
  DWORD type = 0;
  if (!::SetupDiGetDeviceRegistryPropertyW(set, &info, property, &type,
                                           reinterpret_cast<BYTE*>(buffer), sizeof(buffer) - 4,
                                           nullptr))
    return {};
  return buffer;
}

std::wstring PortName(HDEVINFO set, SP_DEVINFO_DATA& info) {
  HKEY key = ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[64] = {};
  DWORD size = sizeof(buffer) - 2;
  DWORD type = 0;
  const LONG r = ::RegQueryValueExW(key, L"PortName", nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer), &size);
  ::RegCloseKey(key);
  return r == ERROR_SUCCESS && type == REG_SZ ? std::wstring(buffer) : std::wstring();
}

// The ports SetupAPI knows, by COM number.
std::map<int, TSerlPortDescription> SetupApiPorts() {
  std::map<int, TSerlPortDescription> ports;
  HDEVINFO set = ::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return ports;
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof(info);
  for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &info); ++i) {
    const int n = ParseComPortPath(Utf8(PortName(set, info)));
    if (n <= 0) continue;  // a printer port or a port without a name
    TSerlPortDescription port;
    port.comNumber = n;
    port.device = "COM" + std::to_string(n);
    port.friendlyName = Utf8(DeviceProperty(set, info, SPDRP_FRIENDLYNAME));
    port.manufacturer = Utf8(DeviceProperty(set, info, SPDRP_MFG));
    port.product = Utf8(DeviceProperty(set, info, SPDRP_DEVICEDESC));
    wchar_t instance[512] = {};
    std::string instanceId;
    if (::SetupDiGetDeviceInstanceIdW(set, &info, instance, 511, nullptr)) instanceId = Utf8(instance);
    DescribeWindowsHardwareId(Utf8(DeviceProperty(set, info, SPDRP_HARDWAREID)), instanceId, port);
    port.present = true;
    ports.emplace(n, std::move(port));
  }
  ::SetupDiDestroyDeviceInfoList(set);
  return ports;
}

// Adds what the probe says; a port SetupAPI does not know but that opens
// (as under Wine, or a driver without a Ports-class entry) is kind Other.
void Probe(int n, TSerlPortDescription& port) {
  TPortState state = TPortState::Free;
  if (ProbePort(n, &state, true)) {
    if (!port.present) port.kind = TPortKind::Other;
    port.present = true;
    port.inUse = state == TPortState::InUse;
    port.noAccess = state == TPortState::NoAccess;
  }
  if (!port.present) {
    port.kind = TPortKind::Absent;
    port.absentReason = "no such device";
  }
}

}  // namespace

TSerlPortDescription DescribeComPort(int n, const TSerlSystemRoots&) {
  auto known = SetupApiPorts();
  TSerlPortDescription port;
  if (auto it = known.find(n); it != known.end()) port = it->second;
  port.comNumber = n;
  port.device = "COM" + std::to_string(n);
  Probe(n, port);
  return port;
}

TSerlPortDescription DescribeDevice(const std::string& path, const TSerlSystemRoots& roots) {
  if (const int n = ParseComPortPath(path); n > 0) {
    TSerlPortDescription port = DescribeComPort(n, roots);
    port.comNumber = 0;
    return port;
  }
  TSerlPortDescription port;
  port.device = path;
  port.absentReason = "no such device";
  return port;
}

std::vector<TSerlPortDescription> DescribePorts(const TSerlSystemRoots&, bool) {
  std::map<int, TSerlPortDescription> ports = SetupApiPorts();
  for (const TSerlPortInfo& probed : ListPorts(true)) ports.try_emplace(probed.number);
  std::vector<TSerlPortDescription> list;
  for (auto& [n, port] : ports) {
    port.comNumber = n;
    port.device = "COM" + std::to_string(n);
    Probe(n, port);
    list.push_back(std::move(port));
  }
  return list;
}

}  // namespace canalarm::serl
