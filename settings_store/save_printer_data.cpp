// SavePrinterData: the detection service's record of a queue's settings.
#include <cstdio>
#include <cstring>

#include "platform/win32.h"
#include "settings_store/settings_store.h"
#include "settings_store/trace.h"

namespace orvi {

PrinterSettings SettingsFromConfigBlock(const unsigned char* pData) {
  return PrinterSettings{pData[11] == 2 ? 306 : 203, pData[8], pData[9], pData[10]};
}

}  // namespace orvi

namespace {

void WriteConfigFile(const char* szBinFile, const unsigned char* pData) {
  HANDLE hFile = CreateFileA(szBinFile, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) {
    WriteTrace("CreateFile szFile=%s Error=%d\r\n", szBinFile, static_cast<int>(GetLastError()));
    return;
  }
  WriteTrace("SavePrinterData CreateFile szBinFile: %s\r\n", szBinFile);
  DWORD written = 0;
  WriteFile(hFile, pData, static_cast<DWORD>(orvi::kConfigFileSize), &written, nullptr);
  CloseHandle(hFile);
}

void WriteSettingsFile(const char* szIniFile, const orvi::PrinterSettings& s) {
  const struct {
    const char* key;
    int value;
  } keys[] = {{"Resolution", s.resolution}, {"Printtype", s.printType}, {"Thickness", s.thickness},
              {"Speed", s.speed}};
  for (const auto& k : keys) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", k.value);
    WritePrivateProfileStringA(orvi::kSettingsSection, k.key, text, szIniFile);
  }
  WriteTrace("SavePrinterData INI file saved: %s (Resolution=%d, Printtype=%d, Thickness=%d, Speed=%d)\r\n",
             szIniFile, s.resolution, s.printType, s.thickness, s.speed);
}

}  // namespace

void SavePrinterData(const char* pszPrinterName, const unsigned char* pData) {
  if (pszPrinterName == nullptr || pData == nullptr) return;
  // The block is binary: the trace shows it as text only up to the bytes
  // this function owns, never beyond them.
  char shownData[orvi::kConfigFileSize + 1] = {};
  std::memcpy(shownData, pData, orvi::kConfigFileSize);
  WriteTrace("SavePrinterData pszPrinterName: %s pData: %s \r\n", pszPrinterName, shownData);

  char szFileName[orvi::kPathBufferSize];
  if (!LocateDataDirectory(szFileName, orvi::kWriterTraces)) return;
  WriteTrace("SavePrinterData szFileName: %s\r\n", szFileName);

  char szBinFile[orvi::kPathBufferSize];
  char szIniFile[orvi::kPathBufferSize];
  orvi::QueueFilePath bin = orvi::FormQueueFilePath(szFileName, pszPrinterName, orvi::QueueFile::Config, szBinFile);
  orvi::QueueFilePath ini = orvi::FormQueueFilePath(szFileName, pszPrinterName, orvi::QueueFile::Settings, szIniFile);
  if (bin != orvi::QueueFilePath::Formed || ini != orvi::QueueFilePath::Formed) {
    WriteTrace(bin == orvi::QueueFilePath::TooLong || ini == orvi::QueueFilePath::TooLong
                   ? "SavePrinterData: path too long for %s in %s, nothing written\r\n"
                   : "SavePrinterData: %s is not a file name in %s, nothing written\r\n",
               pszPrinterName, szFileName);
    return;
  }
  WriteConfigFile(szBinFile, pData);
  WriteSettingsFile(szIniFile, orvi::SettingsFromConfigBlock(pData));
}
