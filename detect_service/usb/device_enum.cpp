#include <cctype>
#include <cstring>
#include <vector>

#include "detect_service/usb/usb_devices.h"
#include "settings_store/trace.h"

const GUID kUsbPrintInterfaceClass = {0x28D78FAD, 0x5A12, 0x11D1,
                                      {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};

namespace {
// Two backslashes, a question mark, a backslash, "usb" and a number sign
// stand before the hardware identifier.
constexpr size_t kIdentifierOffset = 8;
const char kIdentifier[] = "vid_8888&pid_0026";
constexpr size_t kIdentifierLength = sizeof(kIdentifier) - 1;

void LowerInPlace(char* text) {
  for (; *text; ++text) *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
}

// The detail record for one interface, or an empty vector when either
// detail call fails.
std::vector<char> InterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data) {
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailA(set, data, nullptr, 0, &required, nullptr);
  if (required <= offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath)) return {};
  std::vector<char> buffer(required, '\0');
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(set, data, detail, required, nullptr, nullptr)) return {};
  buffer.back() = '\0';  // the path ends inside the buffer whatever was written
  return buffer;
}

void RecordInterface(char* path, DWORD index, char (*rawSlots)[kDevicePathSize]) {
  LowerInPlace(path);
  char szVid[32] = {0};
  std::strncpy(szVid, path + (std::strlen(path) > kIdentifierOffset ? kIdentifierOffset : std::strlen(path)),
               kIdentifierLength);
  WriteTrace("szVid: %s pdevDetailData->DevicePath: %s \r\n", szVid, path);
  if (!IsLabelPrinterPath(path)) return;
  // Slots hold 255 characters, and only indexes below 16 have a slot.
  if (std::strlen(path) >= kDevicePathSize || index >= kRawDeviceSlots) return;
  std::strcpy(rawSlots[index], path);
  WriteTrace("pszDevPath[NumberIndex]: %s NumberIndex=%d\r\n", path, static_cast<int>(index));
}
}  // namespace

bool IsLabelPrinterPath(const char* path) {
  if (std::strlen(path) < kIdentifierOffset + kIdentifierLength) return false;
  for (size_t i = 0; i < kIdentifierLength; ++i)
    if (std::tolower(static_cast<unsigned char>(path[kIdentifierOffset + i])) != kIdentifier[i]) return false;
  return std::strstr(path, "mi_02") != nullptr;
}

void EnumPrinterDevices(char (*rawSlots)[kDevicePathSize]) {
  WriteTrace("枚举设备开始！\r\n");
  HDEVINFO set = SetupDiGetClassDevsA(&kUsbPrintInterfaceClass, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data;
    std::memset(&data, 0, sizeof(data));
    data.cbSize = sizeof(data);
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &kUsbPrintInterfaceClass, index, &data)) break;
    std::vector<char> detail = InterfaceDetail(set, &data);
    if (detail.empty()) break;
    RecordInterface(detail.data() + offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath), index, rawSlots);
  }
  SetupDiDestroyDeviceInfoList(set);
}

void GetDevicePaths(char (*pszDevPath)[kDevicePathSize]) {
  char raw[kRawDeviceSlots][kDevicePathSize];
  std::memset(raw, 0, sizeof(raw));
  EnumPrinterDevices(raw);
  int next = 0;
  for (int i = 0; i < kDevicePathEntries; ++i) {
    WriteTrace("szDevicePath[i]=%s i=%d\r\n", raw[i], i);
    if (raw[i][0] == '\0') continue;
    std::strcpy(pszDevPath[next++], raw[i]);
    WriteTrace("pszDevPath[i]=%s i=%d\r\n", raw[i], i);
  }
}

int CountPrinterDevices() {
  char raw[kRawDeviceSlots][kDevicePathSize];
  std::memset(raw, 0, sizeof(raw));
  EnumPrinterDevices(raw);
  int count = 0;
  for (int i = 0; i < kDevicePathEntries; ++i)
    if (raw[i][0] != '\0') ++count;
  WriteTrace("获取有效的打印机数量 %d\r\n", count);
  return count;
}
