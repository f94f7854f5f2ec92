#include <cstring>

#include "detect_service/usb/usb_devices.h"
#include "settings_store/trace.h"

HANDLE OpenUsbPort(const char* path) {
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void GetPrinterConfig(const char* pszDevPath, unsigned char* block) {
  unsigned char buffer[kPrinterConfigSize];
  std::memset(buffer, 0, sizeof(buffer));
  WriteTrace("获取打印机设备GetPrinterConfig pszDevPath: %s\r\n", pszDevPath);
  HANDLE port = OpenUsbPort(pszDevPath);
  if (port == INVALID_HANDLE_VALUE) {
    WriteTrace("GetPrinterConfig OpenUsbPort %s失败！Error=%d\r\n", pszDevPath, static_cast<int>(GetLastError()));
    return;
  }
  DWORD dwRead = 0;
  ReadFile(port, buffer, sizeof(buffer), &dwRead, nullptr);
  WriteTrace("获取打印机配置GetPrinterConfig ReadFile dwRead=%d Error=%d\r\n", static_cast<int>(dwRead),
             static_cast<int>(GetLastError()));
  std::memcpy(block, buffer, dwRead < sizeof(buffer) ? dwRead : sizeof(buffer));
  CloseHandle(port);
}
