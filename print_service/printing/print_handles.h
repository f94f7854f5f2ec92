// Owners of the handles a print job holds, so every path releases them.
#pragma once

#include "platform/win32.h"

namespace orvi {

class PrinterHandle {
 public:
  PrinterHandle() = default;
  ~PrinterHandle() {
    if (handle_ != nullptr) ClosePrinter(handle_);
  }
  PrinterHandle(const PrinterHandle&) = delete;
  PrinterHandle& operator=(const PrinterHandle&) = delete;
  HANDLE* out() { return &handle_; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

// A movable global block, locked while the holder says so; unlocked and
// freed when the holder goes.
class GlobalBlock {
 public:
  explicit GlobalBlock(SIZE_T bytes) : handle_(GlobalAlloc(GHND, bytes)) {}
  ~GlobalBlock() {
    Unlock();
    if (handle_ != nullptr) GlobalFree(handle_);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  bool allocated() const { return handle_ != nullptr; }
  void* Lock() {
    if (handle_ != nullptr && data_ == nullptr) data_ = GlobalLock(handle_);
    return data_;
  }
  void Unlock() {
    if (data_ != nullptr) GlobalUnlock(handle_);
    data_ = nullptr;
  }

 private:
  HGLOBAL handle_;
  void* data_ = nullptr;
};

class DeviceContext {
 public:
  explicit DeviceContext(HDC dc) : dc_(dc) {}
  ~DeviceContext() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace orvi
