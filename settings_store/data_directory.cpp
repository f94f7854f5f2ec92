// LocateDataDirectory: the registry lookup of the data directory, with its
// fallbacks and its default, shared by the reader and the writer.
#include <cstring>

#include "platform/win32.h"
#include "settings_store/settings_store.h"
#include "settings_store/trace.h"

namespace orvi {

const DataDirectoryTraces kWriterTraces = {
    &WriteTrace,
    "SavePrinterData: RegOpenKeyEx failed, error=%d\r\n",
    "SavePrinterData: RegCreateKeyEx also failed, error=%d\r\n",
    "SavePrinterData: Fallback to HKCU failed, error=%d\r\n",
    nullptr,
};

}  // namespace orvi

namespace {

bool OpenDataDirectoryKey(HKEY* hKey, const orvi::DataDirectoryTraces& traces) {
  const REGSAM access = static_cast<REGSAM>(orvi::kDataDirectoryAccess);
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, orvi::kDataDirectoryKey, 0, access, hKey);
  if (rc == ERROR_SUCCESS) return true;
  traces.output(traces.openFailed, static_cast<int>(rc));

  rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, orvi::kDataDirectoryKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                       nullptr, hKey, nullptr);
  if (rc == ERROR_SUCCESS) {
    if (traces.createSucceeded) traces.output(traces.createSucceeded, static_cast<void*>(*hKey));
    return true;
  }
  traces.output(traces.createFailed, static_cast<int>(rc));

  rc = RegOpenKeyExA(HKEY_CURRENT_USER, orvi::kDataDirectoryKey, 0, access, hKey);
  if (rc == ERROR_SUCCESS) return true;
  traces.output(traces.fallbackFailed, static_cast<int>(rc));
  return false;
}

// A value that filled the whole buffer without a terminating zero cannot be
// used as a path; it counts as unreadable.
bool ReadDataDirectory(HKEY hKey, char (&szFileName)[orvi::kPathBufferSize]) {
  DWORD size = sizeof szFileName;
  LONG rc = RegQueryValueExA(hKey, orvi::kDataDirectoryValue, nullptr, nullptr, reinterpret_cast<BYTE*>(szFileName),
                             &size);
  return rc == ERROR_SUCCESS && std::memchr(szFileName, '\0', sizeof szFileName) != nullptr;
}

void WriteDefault(HKEY hKey, char (&szFileName)[orvi::kPathBufferSize]) {
  std::memset(szFileName, 0, sizeof szFileName);
  std::memcpy(szFileName, orvi::kDefaultDataDirectory, sizeof orvi::kDefaultDataDirectory);
  RegSetValueExA(hKey, orvi::kDataDirectoryValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(szFileName),
                 static_cast<DWORD>(sizeof orvi::kDefaultDataDirectory));
  CreateDirectoryA(szFileName, nullptr);
}

}  // namespace

bool LocateDataDirectory(char (&szFileName)[orvi::kPathBufferSize], const orvi::DataDirectoryTraces& traces) {
  std::memset(szFileName, 0, sizeof szFileName);
  HKEY hKey = nullptr;
  if (!OpenDataDirectoryKey(&hKey, traces)) return false;
  if (!ReadDataDirectory(hKey, szFileName)) WriteDefault(hKey, szFileName);
  RegCloseKey(hKey);
  return true;
}
