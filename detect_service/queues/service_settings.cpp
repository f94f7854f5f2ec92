#include "detect_service/queues/service_settings.h"

#include <cstdio>
#include <cstring>

#include "detect_service/service/service_host.h"
#include "platform/win32.h"
#include "settings_store/trace.h"

char szPrinterName[kNameBufferSize];
char szDriverName[kNameBufferSize];
char szPrinterPort[kNameBufferSize];

namespace {
// A missing value gives an empty string; 254 characters at most.
void QueryString(HKEY key, const char* name, char (&out)[kNameBufferSize]) {
  char value[kNameBufferSize];
  std::memset(value, 0, sizeof(value));
  DWORD size = kNameBufferSize - 1;
  // A value that does not fit leaves the buffer undefined: take it as missing.
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(value), &size) != ERROR_SUCCESS)
    value[0] = '\0';
  value[kNameBufferSize - 1] = '\0';
  std::memcpy(out, value, sizeof(value));
}
}  // namespace

void ReadServiceSettings() {
  char keyName[16 + kServiceNameSize];
  std::snprintf(keyName, sizeof(keyName), "SOFTWARE\\%s", szServiceName);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return;
  QueryString(key, "PrinterName", szPrinterName);
  QueryString(key, "DriverName", szDriverName);
  QueryString(key, "PrinterPort", szPrinterPort);
  RegCloseKey(key);
  WriteTrace("*** PrinterName=%s, DriverName=%s, PrinterPort=%s\r\n", szPrinterName, szDriverName, szPrinterPort);
}
