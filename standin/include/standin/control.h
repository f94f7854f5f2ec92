// Control API of the stand-in: what a test uses to set the machine up, make
// calls fail and inspect what the product did. Each area adds its own
// control header (control_spooler.h, control_registry.h, ...) beside this.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "standin/base.h"

namespace standin {

// Returns the whole stand-in to a fresh machine: every area's state, the
// failure plan, the handle table and the mapped C: drive.
void Reset();

// Areas register a hook that Reset calls; done from a static initializer.
using ResetHook = void (*)();
bool RegisterResetHook(ResetHook hook);

// Failure plan. The named call (its Win32 name, e.g. "OpenPrinterW") fails
// with `error` as its GetLastError code. It first succeeds `skip` times,
// then fails `times` times (-1: for ever).
void FailCall(const std::string& call, DWORD error, int times = -1, int skip = 0);
void ClearFailures();
// Used inside every stand-in call: true when the call must fail now; the
// thread's last error is then already set.
bool ShouldFail(const char* call);
// How often a call was made since the last Reset.
int CallCount(const std::string& call);
void CountCall(const char* call);

// Handle table shared by all areas, so tests can prove release on every path.
enum class HandleKind {
  Window, Menu, Icon, Printer, DC, Bitmap, GlobalMemory, LocalMemory,
  RegistryKey, File, Event, DevInfo, Module, WindowStation, Desktop,
  DeviceNotify, Service, Image
};
void* OpenHandle(HandleKind kind);
// Registers an address the area chose itself (fixed memory blocks).
void AdoptHandle(void* h, HandleKind kind);
// True when `h` is an open handle of that kind; closes it.
bool CloseHandleOf(void* h, HandleKind kind);
bool IsOpenHandle(void* h, HandleKind kind);
size_t OpenHandleCount(HandleKind kind);
size_t OpenHandleCount();
// Kinds and counts of what is still open, for test messages.
std::string DescribeOpenHandles();

// The mapped C: drive. "C:\a\b" lives at DriveRoot()/"C"/"a"/"b". The root
// is STANDIN_DRIVE_ROOT when set, else a fresh folder per process; Reset
// empties it.
std::filesystem::path DriveRoot();
// Maps a Windows path ("C:\x\y", "C:/x", "\\?\..." not supported) to a
// path on this machine; an empty result means the path has no mapping.
std::filesystem::path MapPath(const std::string& windowsPath);
std::filesystem::path MapPath(const std::wstring& windowsPath);

}  // namespace standin

// Every stand-in call starts with this: it counts the call and applies the
// failure plan. `fail_value` is what the call returns on failure.
#define STANDIN_ENTER(name, fail_value)                 \
  do {                                                  \
    ::standin::CountCall(name);                         \
    if (::standin::ShouldFail(name)) return fail_value; \
  } while (0)

namespace standin {
// Areas whose handles CloseHandle accepts (files, events) register how to
// release the object behind one.
using Closer = void (*)(void* handle);
bool RegisterCloser(HandleKind kind, Closer closer);
}  // namespace standin
