// Directories and files on the mapped drive, and device files that stand
// for attached USB printers. File handles are counted as HandleKind::File
// and released by CloseHandle through the registered closer.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

#include "standin/control.h"
#include "standin/control_files.h"
#include "standin/files.h"
#include "standin/kernel.h"

namespace fs = std::filesystem;

namespace {

struct Device {
  std::vector<unsigned char> data;
  DWORD openError = 0;  // non-zero: CreateFileA fails with it
  int opens = 0;
};

struct OpenFile {
  std::FILE* file = nullptr;   // null for a device
  std::string device;          // lower-case device path, for a device
  bool deviceRead = false;     // the one read of a device was made
  DWORD access = 0;
  long position = 0;
};

struct Files {
  std::mutex mutex;
  std::map<std::string, Device> devices;  // by lower-case path
  std::map<HANDLE, OpenFile> open;
};

Files& files() {
  static auto* f = new Files;
  return *f;
}

void CloseFile(HANDLE h) {
  Files& f = files();
  std::lock_guard<std::mutex> lock(f.mutex);
  auto it = f.open.find(h);
  if (it == f.open.end()) return;
  if (it->second.file) std::fclose(it->second.file);
  f.open.erase(it);
}

void ResetFiles() {
  Files& f = files();
  std::lock_guard<std::mutex> lock(f.mutex);
  for (auto& [h, of] : f.open) {
    if (of.file) std::fclose(of.file);
  }
  f.open.clear();
  f.devices.clear();
}
const bool registered = standin::RegisterResetHook(&ResetFiles) &&
                        standin::RegisterCloser(standin::HandleKind::File, &CloseFile);

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool IsDevicePath(const std::string& path) {
  return path.size() >= 4 && path[0] == '\\' && path[1] == '\\' && (path[2] == '?' || path[2] == '.') &&
         path[3] == '\\';
}

// Characters Windows refuses in a file or directory name (after "X:").
bool HasInvalidNameCharacters(const std::string& path) {
  for (size_t i = 2; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c < 32 || std::strchr("<>:\"|?*", c) != nullptr) return true;
  }
  return false;
}

// Where a path of the drive lives here, or the error Windows gives for it.
std::optional<fs::path> Locate(const char* name, DWORD* error) {
  std::string path = name ? name : "";
  fs::path mapped = standin::MapPath(path);
  if (mapped.empty()) {
    *error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  if (HasInvalidNameCharacters(path)) {
    *error = ERROR_INVALID_NAME;
    return std::nullopt;
  }
  std::error_code ec;
  if (!fs::is_directory(mapped.parent_path(), ec)) {
    *error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  return mapped;
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

HANDLE OpenDevice(const std::string& path, DWORD access) {
  Files& f = files();
  std::lock_guard<std::mutex> lock(f.mutex);
  auto it = f.devices.find(Lower(path));
  if (it == f.devices.end()) return Fail(ERROR_FILE_NOT_FOUND);
  if (it->second.openError != 0) return Fail(it->second.openError);
  ++it->second.opens;
  HANDLE h = standin::OpenHandle(standin::HandleKind::File);
  OpenFile of;
  of.device = it->first;
  of.access = access;
  f.open[h] = of;
  SetLastError(NO_ERROR);
  return h;
}

HANDLE OpenOnDrive(const fs::path& mapped, DWORD access, DWORD disposition) {
  std::error_code ec;
  if (fs::is_directory(mapped, ec)) return Fail(ERROR_ACCESS_DENIED);
  bool existed = fs::exists(mapped, ec);
  const char* mode = nullptr;
  switch (disposition) {
    case CREATE_NEW:
      if (existed) return Fail(ERROR_FILE_EXISTS);
      mode = "w+b";
      break;
    case CREATE_ALWAYS:
      mode = "w+b";
      break;
    case OPEN_EXISTING:
      if (!existed) return Fail(ERROR_FILE_NOT_FOUND);
      mode = (access & GENERIC_WRITE) ? "r+b" : "rb";
      break;
    case OPEN_ALWAYS:
      mode = existed ? ((access & GENERIC_WRITE) ? "r+b" : "rb") : "w+b";
      break;
    case TRUNCATE_EXISTING:
      if (!existed) return Fail(ERROR_FILE_NOT_FOUND);
      mode = "w+b";
      break;
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
  std::FILE* file = std::fopen(mapped.c_str(), mode);
  if (file == nullptr) return Fail(ERROR_ACCESS_DENIED);
  HANDLE h = standin::OpenHandle(standin::HandleKind::File);
  {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    OpenFile of;
    of.file = file;
    of.access = access;
    f.open[h] = of;
  }
  bool reportsExisting = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : NO_ERROR);
  return h;
}

}  // namespace

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  STANDIN_ENTER("CreateDirectoryA", FALSE);
  DWORD error = 0;
  std::error_code ec;
  fs::path mapped = standin::MapPath(std::string(lpPathName ? lpPathName : ""));
  if (!mapped.empty() && fs::exists(mapped, ec)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  auto located = Locate(lpPathName, &error);
  if (!located) {
    SetLastError(error);
    return FALSE;
  }
  if (!fs::create_directory(*located, ec)) {
    SetLastError(ec ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  return TRUE;
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD, HANDLE) {
  STANDIN_ENTER("CreateFileA", INVALID_HANDLE_VALUE);
  if (lpFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (IsDevicePath(lpFileName)) return OpenDevice(lpFileName, dwDesiredAccess);
  DWORD error = 0;
  auto located = Locate(lpFileName, &error);
  if (!located) return Fail(error);
  return OpenOnDrive(*located, dwDesiredAccess, dwCreationDisposition);
}

// The open file behind `handle` when it was opened with `access`; else
// null with the thread's last error set, as WriteFile and ReadFile report.
static OpenFile* OpenForAccess(Files& f, HANDLE handle, DWORD access) {
  auto it = f.open.find(handle);
  if (it == f.open.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!(it->second.access & (access | GENERIC_ALL))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return &it->second;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED) {
  STANDIN_ENTER("WriteFile", FALSE);
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  Files& f = files();
  std::lock_guard<std::mutex> lock(f.mutex);
  OpenFile* found = OpenForAccess(f, hFile, GENERIC_WRITE);
  if (found == nullptr) return FALSE;
  OpenFile& of = *found;
  size_t written = nNumberOfBytesToWrite;
  if (of.file) {
    std::fseek(of.file, of.position, SEEK_SET);
    written = std::fwrite(lpBuffer, 1, nNumberOfBytesToWrite, of.file);
    std::fflush(of.file);
    of.position += static_cast<long>(written);
  }
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = static_cast<DWORD>(written);
  return TRUE;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED) {
  STANDIN_ENTER("ReadFile", FALSE);
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  Files& f = files();
  std::lock_guard<std::mutex> lock(f.mutex);
  OpenFile* found = OpenForAccess(f, hFile, GENERIC_READ);
  if (found == nullptr) return FALSE;
  OpenFile& of = *found;
  size_t got = 0;
  if (of.file) {
    std::fseek(of.file, of.position, SEEK_SET);
    got = std::fread(lpBuffer, 1, nNumberOfBytesToRead, of.file);
    of.position += static_cast<long>(got);
  } else if (!of.deviceRead) {
    of.deviceRead = true;
    auto dev = f.devices.find(of.device);
    if (dev != f.devices.end()) {
      got = std::min<size_t>(nNumberOfBytesToRead, dev->second.data.size());
      if (got > 0) std::memcpy(lpBuffer, dev->second.data.data(), got);
    }
  }
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(got);
  return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  STANDIN_ENTER("GetFileAttributesA", INVALID_FILE_ATTRIBUTES);
  std::string path = lpFileName ? lpFileName : "";
  if (IsDevicePath(path)) {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    if (f.devices.count(Lower(path))) return FILE_ATTRIBUTE_NORMAL;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD error = 0;
  auto located = Locate(lpFileName, &error);
  std::error_code ec;
  if (!located || !fs::exists(*located, ec)) {
    SetLastError(located ? ERROR_FILE_NOT_FOUND : error);
    return INVALID_FILE_ATTRIBUTES;
  }
  return fs::is_directory(*located, ec) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

namespace standin {

void InstallDeviceFile(const std::string& devicePath, std::vector<unsigned char> readData) {
  Files& f = files();
  std::lock_guard<std::mutex> lock(f.mutex);
  Device& d = f.devices[Lower(devicePath)];
  d.data = std::move(readData);
  d.openError = 0;
}

void RemoveDeviceFile(const std::string& devicePath) {
  Files& f = files();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.devices.erase(Lower(devicePath));
}

void FailDeviceOpen(const std::string& devicePath, DWORD error) {
  Files& f = files();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.devices[Lower(devicePath)].openError = error;
}

int DeviceOpenCount(const std::string& devicePath) {
  Files& f = files();
  std::lock_guard<std::mutex> lock(f.mutex);
  auto it = f.devices.find(Lower(devicePath));
  return it == f.devices.end() ? 0 : it->second.opens;
}

}  // namespace standin
