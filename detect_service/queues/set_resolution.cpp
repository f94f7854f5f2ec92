#include <cstring>
#include <memory>

#include "detect_service/queues/queue_ops.h"
#include "settings_store/trace.h"

namespace {
// Zero-filled global memory, released on every way out.
class GlobalBlock {
 public:
  explicit GlobalBlock(SIZE_T size) : handle_(GlobalAlloc(GMEM_ZEROINIT, size)) {
    if (handle_ != nullptr) data_ = GlobalLock(handle_);
  }
  ~GlobalBlock() {
    if (handle_ == nullptr) return;
    GlobalUnlock(handle_);
    GlobalFree(handle_);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  void* data() const { return data_; }

 private:
  HGLOBAL handle_;
  void* data_ = nullptr;
};

// The queue's default device mode read through DocumentPropertiesA into
// `block`; null when the driver does not give one.
DEVMODEA* ReadDefaultDevMode(const char* name, HANDLE printer, std::unique_ptr<GlobalBlock>& block) {
  LPSTR deviceName = const_cast<LPSTR>(name);
  LONG size = DocumentPropertiesA(nullptr, printer, deviceName, nullptr, nullptr, 0);
  if (size <= 0) return nullptr;
  block = std::make_unique<GlobalBlock>(static_cast<SIZE_T>(size));
  auto* devmode = static_cast<DEVMODEA*>(block->data());
  if (devmode == nullptr) return nullptr;
  if (DocumentPropertiesA(nullptr, printer, deviceName, devmode, nullptr, DM_OUT_BUFFER) != IDOK) return nullptr;
  return devmode;
}
}  // namespace

void SetResolution(const char* name, int value, HANDLE printer) {
  WriteTrace("SetResolution PrintName=%s %d\r\n", name, value);
  DWORD needed = 0;
  if (!GetPrinterA(printer, 2, nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
  if (needed == 0) return;
  GlobalBlock infoBlock(needed);
  auto* info = static_cast<PRINTER_INFO_2A*>(infoBlock.data());
  if (info == nullptr || !GetPrinterA(printer, 2, static_cast<LPBYTE>(infoBlock.data()), needed, &needed)) return;
  std::unique_ptr<GlobalBlock> devmodeBlock;
  if (info->pDevMode == nullptr) info->pDevMode = ReadDefaultDevMode(name, printer, devmodeBlock);
  DEVMODEA* devmode = info->pDevMode;
  if (devmode == nullptr || !(devmode->dmFields & DM_ORIENTATION)) return;
  WriteTrace("pi2->pDevMode->dmPrintQuality = %d\r\n", devmode->dmPrintQuality);
  devmode->dmPrintQuality = static_cast<short>(value);
  devmode->dmYResolution = static_cast<short>(value);
  WriteTrace("pi2->pDevMode->dmYResolution = %d\r\n", devmode->dmYResolution);
  info->pSecurityDescriptor = nullptr;
  if (DocumentPropertiesA(nullptr, printer, const_cast<LPSTR>(name), devmode, devmode,
                          DM_IN_BUFFER | DM_OUT_BUFFER) != IDOK)
    return;
  SetPrinterA(printer, 2, static_cast<LPBYTE>(infoBlock.data()), 0);
}
