// SHGetFolderPathW over a small table of folders; the folder is created on
// the mapped drive when asked for, as it exists on every Windows machine.
#include <cwchar>
#include <map>
#include <mutex>
#include <string>

#include "standin/control.h"
#include "standin/control_shell_folders.h"
#include "standin/shell_folders.h"

namespace {
struct Folders {
  std::mutex mutex;
  std::map<int, std::wstring> overrides;
};
Folders& folders() {
  static auto* f = new Folders;
  return *f;
}
void ResetFolders() {
  std::lock_guard<std::mutex> lock(folders().mutex);
  folders().overrides.clear();
}
const bool registered = standin::RegisterResetHook(&ResetFolders);

const wchar_t* DefaultPath(int csidl) {
  switch (csidl) {
    case CSIDL_COMMON_DOCUMENTS: return L"C:\\Users\\Public\\Documents";
    case CSIDL_COMMON_APPDATA: return L"C:\\ProgramData";
    case CSIDL_APPDATA: return L"C:\\Users\\user\\AppData\\Roaming";
    default: return nullptr;
  }
}
}  // namespace

namespace standin {
void SetFolderPath(int csidl, const std::wstring& path) {
  std::lock_guard<std::mutex> lock(folders().mutex);
  folders().overrides[csidl] = path;
}
}  // namespace standin

HRESULT WINAPI SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR pszPath) {
  STANDIN_ENTER("SHGetFolderPathW", E_FAIL);
  if (pszPath == nullptr) return E_INVALIDARG;
  std::wstring path;
  {
    std::lock_guard<std::mutex> lock(folders().mutex);
    auto it = folders().overrides.find(csidl & 0xff);
    if (it != folders().overrides.end()) {
      path = it->second;
    } else if (const wchar_t* d = DefaultPath(csidl & 0xff)) {
      path = d;
    } else {
      return E_INVALIDARG;
    }
  }
  if (path.size() >= MAX_PATH) return E_FAIL;
  std::wmemcpy(pszPath, path.c_str(), path.size() + 1);
  std::error_code ec;
  std::filesystem::create_directories(standin::MapPath(path), ec);
  return S_OK;
}
