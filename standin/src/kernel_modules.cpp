// Modules: the process's own module, and libraries whose exported
// procedures other stand-in areas register (LoadLibraryA/GetProcAddress).
#include <cctype>
#include <map>
#include <mutex>
#include <string>

#include "standin/control.h"
#include "standin/control_modules.h"
#include "standin/kernel.h"

namespace {
struct Modules {
  std::mutex mutex;
  std::map<std::string, std::map<std::string, FARPROC>> exports;  // library -> name -> proc
  std::map<void*, std::string> loaded;                            // handle -> library
};
Modules& modules() {
  static auto* m = new Modules;
  return *m;
}
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
void ResetModules() {
  std::lock_guard<std::mutex> lock(modules().mutex);
  modules().loaded.clear();
}
const bool registered = standin::RegisterResetHook(&ResetModules);
// The process image; never counted as an open handle.
int process_image;
}  // namespace

namespace standin {
bool RegisterExport(const std::string& library, const std::string& name, FARPROC proc) {
  std::lock_guard<std::mutex> lock(modules().mutex);
  modules().exports[Lower(library)][name] = proc;
  return true;
}
}  // namespace standin

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
  STANDIN_ENTER("GetModuleHandleW", nullptr);
  if (lpModuleName == nullptr) return reinterpret_cast<HMODULE>(&process_image);
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  STANDIN_ENTER("LoadLibraryA", nullptr);
  std::string name = Lower(lpLibFileName ? lpLibFileName : "");
  {
    std::lock_guard<std::mutex> lock(modules().mutex);
    if (modules().exports.find(name) == modules().exports.end()) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
  }
  void* h = standin::OpenHandle(standin::HandleKind::Module);
  std::lock_guard<std::mutex> lock(modules().mutex);
  modules().loaded[h] = name;
  return static_cast<HMODULE>(h);
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  STANDIN_ENTER("GetProcAddress", nullptr);
  std::lock_guard<std::mutex> lock(modules().mutex);
  auto lib = modules().loaded.find(hModule);
  if (lib == modules().loaded.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto& procs = modules().exports[lib->second];
  auto it = procs.find(lpProcName ? lpProcName : "");
  if (it == procs.end()) {
    SetLastError(127);  // ERROR_PROC_NOT_FOUND
    return nullptr;
  }
  return it->second;
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  STANDIN_ENTER("FreeLibrary", FALSE);
  if (!standin::CloseHandleOf(hLibModule, standin::HandleKind::Module)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(modules().mutex);
  modules().loaded.erase(hLibModule);
  return TRUE;
}
