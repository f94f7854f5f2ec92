// Window stations and desktops: the interactive station "Winsta0" with its
// desktop "Default" exist; the process's station and each thread's desktop
// are recorded.
#include <cctype>
#include <map>
#include <mutex>

#include "standin/control.h"
#include "standin/control_service.h"
#include "standin/winsta.h"

namespace {
struct Stations {
  std::mutex mutex;
  std::map<void*, std::string> stations;
  std::map<void*, std::string> desktops;
  std::string processStation;
  std::map<std::thread::id, std::string> threadDesktops;
};
Stations& stations() {
  static auto* s = new Stations;
  return *s;
}
void ResetStations() {
  std::lock_guard<std::mutex> lock(stations().mutex);
  stations().stations.clear();
  stations().desktops.clear();
  stations().processStation.clear();
  stations().threadDesktops.clear();
}
const bool registered = standin::RegisterResetHook(&ResetStations);

bool SameName(const char* a, const char* b) {
  if (a == nullptr) return false;
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}
}  // namespace

HWINSTA WINAPI OpenWindowStationA(LPCSTR lpszWinSta, BOOL, DWORD) {
  STANDIN_ENTER("OpenWindowStationA", nullptr);
  if (!SameName(lpszWinSta, "WinSta0")) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  void* h = standin::OpenHandle(standin::HandleKind::WindowStation);
  std::lock_guard<std::mutex> lock(stations().mutex);
  stations().stations[h] = "WinSta0";
  return static_cast<HWINSTA>(h);
}

BOOL WINAPI SetProcessWindowStation(HWINSTA hWinSta) {
  STANDIN_ENTER("SetProcessWindowStation", FALSE);
  std::lock_guard<std::mutex> lock(stations().mutex);
  auto it = stations().stations.find(hWinSta);
  if (it == stations().stations.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  stations().processStation = it->second;
  return TRUE;
}

BOOL WINAPI CloseWindowStation(HWINSTA hWinSta) {
  STANDIN_ENTER("CloseWindowStation", FALSE);
  if (!standin::CloseHandleOf(hWinSta, standin::HandleKind::WindowStation)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(stations().mutex);
  stations().stations.erase(hWinSta);
  return TRUE;
}

HDESK WINAPI OpenDesktopA(LPCSTR lpszDesktop, DWORD, BOOL, DWORD) {
  STANDIN_ENTER("OpenDesktopA", nullptr);
  std::lock_guard<std::mutex> lock(stations().mutex);
  // A desktop is opened in the process's window station.
  if (stations().processStation.empty() || !SameName(lpszDesktop, "Default")) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  void* h = standin::OpenHandle(standin::HandleKind::Desktop);
  stations().desktops[h] = "Default";
  return static_cast<HDESK>(h);
}

BOOL WINAPI SetThreadDesktop(HDESK hDesktop) {
  STANDIN_ENTER("SetThreadDesktop", FALSE);
  std::lock_guard<std::mutex> lock(stations().mutex);
  auto it = stations().desktops.find(hDesktop);
  if (it == stations().desktops.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  stations().threadDesktops[std::this_thread::get_id()] = it->second;
  return TRUE;
}

BOOL WINAPI CloseDesktop(HDESK hDesktop) {
  STANDIN_ENTER("CloseDesktop", FALSE);
  if (!standin::CloseHandleOf(hDesktop, standin::HandleKind::Desktop)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(stations().mutex);
  stations().desktops.erase(hDesktop);
  return TRUE;
}

namespace standin {
std::string ProcessWindowStation() {
  std::lock_guard<std::mutex> lock(stations().mutex);
  return stations().processStation;
}
std::string ThreadDesktopName(std::thread::id thread) {
  std::lock_guard<std::mutex> lock(stations().mutex);
  auto it = stations().threadDesktops.find(thread);
  return it == stations().threadDesktops.end() ? std::string() : it->second;
}
}  // namespace standin
