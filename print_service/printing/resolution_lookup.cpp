// The resolution lookup: the stored custom resolution first, then the
// queue's default device mode and a device context made from it.
#include "print_service/printing/resolution_lookup.h"

#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdio>

#include "platform/win32.h"
#include "print_service/printing/print_handles.h"
#include "print_service/printing/widen_name.h"
#include "settings_store/settings_store.h"

namespace orvi {
namespace {

void PrintLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

const DataDirectoryTraces kReaderTraces = {
    &PrintLine,
    "GetPrinterResolution: RegOpenKeyEx failed, error=%d\n",
    "GetPrinterResolution: RegCreateKeyEx also failed, error=%d\n",
    "GetPrinterResolution: Fallback to HKCU failed, error=%d\n",
    "GetPrinterResolution: RegCreateKeyEx success, hKey=%p\n",
};

// The queue's default device mode in a locked movable block; empty when
// the size, the block or the lock could not be had, or the spooler did not
// fill it.
class DevModeBlock {
 public:
  DevModeBlock(HANDLE hPrinter, LPWSTR wideName) {
    LONG size = DocumentPropertiesW(nullptr, hPrinter, wideName, nullptr, nullptr, 0);
    if (size < static_cast<LONG>(offsetof(DEVMODEW, dmPrintQuality) + sizeof(short))) return;
    block_ = GlobalAlloc(GHND, static_cast<SIZE_T>(size));
    if (block_ == nullptr) return;
    auto* locked = static_cast<DEVMODEW*>(GlobalLock(block_));
    if (locked == nullptr) return;
    if (DocumentPropertiesW(nullptr, hPrinter, wideName, locked, nullptr, DM_OUT_BUFFER) < 0) {
      GlobalUnlock(block_);
      return;
    }
    devMode_ = locked;
  }
  ~DevModeBlock() {
    if (devMode_ != nullptr) GlobalUnlock(block_);
    if (block_ != nullptr) GlobalFree(block_);
  }
  DevModeBlock(const DevModeBlock&) = delete;
  DevModeBlock& operator=(const DevModeBlock&) = delete;
  const DEVMODEW* get() const { return devMode_; }

 private:
  HGLOBAL block_ = nullptr;
  DEVMODEW* devMode_ = nullptr;
};

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

PrinterResolution FromDevice(HDC hdc, const DEVMODEW& devMode, int customResolution) {
  PrinterResolution r{};
  bool custom = customResolution > 0;
  r.xDPI = custom ? customResolution : GetDeviceCaps(hdc, LOGPIXELSX);
  r.yDPI = custom ? customResolution : GetDeviceCaps(hdc, LOGPIXELSY);
  r.physicalWidth = GetDeviceCaps(hdc, PHYSICALWIDTH);
  r.physicalHeight = GetDeviceCaps(hdc, PHYSICALHEIGHT);
  r.printQuality = custom ? customResolution : static_cast<int>(static_cast<short>(devMode.dmPrintQuality));
  return r;
}

}  // namespace

int ParseCustomResolution(const char* text) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  long long value = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value >= limit) {
      value = limit;  // the digits that follow cannot bring it back
    }
  }
  return static_cast<int>(negative ? -value : value);
}

ResolutionOutcome ResolutionWithoutDevice(int customResolution, ResolutionFailure failure) {
  if (customResolution > 0) {
    return PrinterResolution{customResolution, customResolution, 0, 0, customResolution};
  }
  return failure;
}

int ReadCustomResolution(const char* printerName) {
  char szFileName[kPathBufferSize];
  if (!LocateDataDirectory(szFileName, kReaderTraces)) return 0;
  char szINIFile[kPathBufferSize];
  if (FormQueueFilePath(szFileName, printerName, QueueFile::Settings, szINIFile) != QueueFilePath::Formed) {
    return 0;
  }
  char resolutionBuffer[32] = {};
  DWORD copied = GetPrivateProfileStringA(kSettingsSection, "Resolution", "0", resolutionBuffer,
                                          sizeof resolutionBuffer, szINIFile);
  if (copied == 0) return 0;
  int value = ParseCustomResolution(resolutionBuffer);
  PrintLine("GetPrinterResolution: Found custom resolution: %d\n", value);
  return value;
}

ResolutionOutcome GetPrinterResolution(const char* printerName) {
  const int customResolution = ReadCustomResolution(printerName);
  std::unique_ptr<WCHAR[]> wideName = WidenName(printerName);
  PrinterHandle printer;
  if (!OpenPrinterW(wideName.get(), printer.out(), nullptr)) {
    return ResolutionWithoutDevice(customResolution, ResolutionFailure::OpenPrinterFailed);
  }
  // Without a device mode there is neither a print quality to report nor
  // one to make the device context from.
  DevModeBlock devMode(printer.get(), wideName.get());
  if (devMode.get() == nullptr) {
    return ResolutionWithoutDevice(customResolution, ResolutionFailure::CreateDcFailed);
  }
  DeviceContext dc(CreateDCW(nullptr, wideName.get(), nullptr, devMode.get()));
  wideName.reset();
  if (dc.get() == nullptr) {
    return ResolutionWithoutDevice(customResolution, ResolutionFailure::CreateDcFailed);
  }
  return FromDevice(dc.get(), *devMode.get(), customResolution);
}

}  // namespace orvi
