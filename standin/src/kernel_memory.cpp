// GlobalAlloc/LocalAlloc blocks, events, WaitForSingleObject and CloseHandle.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "standin/control.h"
#include "standin/kernel.h"

namespace {

struct Block {
  std::unique_ptr<unsigned char[]> bytes;
  size_t size;
  int locks = 0;
};

struct Event {
  bool manual = false;
  bool signalled = false;
};

struct KernelState {
  std::mutex mutex;
  std::condition_variable changed;
  std::map<void*, Block> blocks;
  std::map<void*, Event> events;
  std::map<standin::HandleKind, standin::Closer> closers;
};

KernelState& state() {
  static auto* s = new KernelState;
  return *s;
}

void ResetKernel() {
  KernelState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.blocks.clear();
  s.events.clear();
}
const bool registered = standin::RegisterResetHook(&ResetKernel);

void* Allocate(standin::HandleKind kind, UINT flags, SIZE_T bytes) {
  auto mem = std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[bytes ? bytes : 1]);
  if (!mem) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (flags & GMEM_ZEROINIT) std::memset(mem.get(), 0, bytes);
  void* h = standin::OpenHandle(kind);
  KernelState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.blocks[h] = Block{std::move(mem), bytes};
  return h;
}

bool Release(standin::HandleKind kind, void* h) {
  if (!standin::CloseHandleOf(h, kind)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  KernelState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.blocks.erase(h);
  return true;
}

}  // namespace

namespace standin {
bool RegisterCloser(HandleKind kind, Closer closer) {
  KernelState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.closers[kind] = closer;
  return true;
}
}  // namespace standin

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
  STANDIN_ENTER("GlobalAlloc", nullptr);
  return Allocate(standin::HandleKind::GlobalMemory, uFlags, dwBytes);
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
  STANDIN_ENTER("GlobalLock", nullptr);
  if (!standin::IsOpenHandle(hMem, standin::HandleKind::GlobalMemory)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  KernelState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  Block& b = s.blocks[hMem];
  ++b.locks;
  return b.bytes.get();
}

BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
  STANDIN_ENTER("GlobalUnlock", FALSE);
  KernelState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.blocks.find(hMem);
  if (it == s.blocks.end() || it->second.locks == 0) {
    SetLastError(it == s.blocks.end() ? ERROR_INVALID_HANDLE : NO_ERROR);
    return FALSE;
  }
  --it->second.locks;
  if (it->second.locks > 0) return TRUE;
  SetLastError(NO_ERROR);  // documented: last lock released, FALSE with NO_ERROR
  return FALSE;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
  STANDIN_ENTER("GlobalFree", hMem);
  if (hMem == nullptr) return nullptr;
  return Release(standin::HandleKind::GlobalMemory, hMem) ? nullptr : hMem;
}

// Local blocks are fixed: the handle is the address of the memory, as on
// Windows with LMEM_FIXED; the table maps that address to its block.
HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  STANDIN_ENTER("LocalAlloc", nullptr);
  auto mem = std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[uBytes ? uBytes : 1]);
  if (!mem) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (uFlags & LMEM_ZEROINIT) std::memset(mem.get(), 0, uBytes);
  void* data = mem.get();
  standin::AdoptHandle(data, standin::HandleKind::LocalMemory);
  KernelState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.blocks[data] = Block{std::move(mem), uBytes};
  return data;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  STANDIN_ENTER("LocalFree", hMem);
  if (hMem == nullptr) return nullptr;
  return Release(standin::HandleKind::LocalMemory, hMem) ? nullptr : hMem;
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR) {
  STANDIN_ENTER("CreateEventA", nullptr);
  void* h = standin::OpenHandle(standin::HandleKind::Event);
  KernelState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.events[h] = Event{bManualReset != FALSE, bInitialState != FALSE};
  return h;
}

static BOOL SetEventState(HANDLE h, bool signalled) {
  KernelState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.events.find(h);
  if (it == s.events.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  it->second.signalled = signalled;
  s.changed.notify_all();
  return TRUE;
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
  STANDIN_ENTER("SetEvent", FALSE);
  return SetEventState(hEvent, true);
}

BOOL WINAPI ResetEvent(HANDLE hEvent) {
  STANDIN_ENTER("ResetEvent", FALSE);
  return SetEventState(hEvent, false);
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  STANDIN_ENTER("WaitForSingleObject", WAIT_FAILED);
  KernelState& s = state();
  std::unique_lock<std::mutex> lock(s.mutex);
  auto ready = [&] {
    auto it = s.events.find(hHandle);
    return it == s.events.end() || it->second.signalled;
  };
  if (s.events.find(hHandle) == s.events.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (dwMilliseconds == INFINITE) {
    s.changed.wait(lock, ready);
  } else if (!s.changed.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), ready)) {
    return WAIT_TIMEOUT;
  }
  auto it = s.events.find(hHandle);
  if (it == s.events.end()) return WAIT_FAILED;
  if (!it->second.manual) it->second.signalled = false;
  return WAIT_OBJECT_0;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  STANDIN_ENTER("CloseHandle", FALSE);
  if (standin::CloseHandleOf(hObject, standin::HandleKind::Event)) {
    KernelState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.events.erase(hObject);
    s.changed.notify_all();
    return TRUE;
  }
  standin::Closer closer = nullptr;
  {
    KernelState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.closers.find(standin::HandleKind::File);
    if (it != s.closers.end()) closer = it->second;
  }
  if (standin::CloseHandleOf(hObject, standin::HandleKind::File)) {
    if (closer) closer(hObject);
    return TRUE;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
