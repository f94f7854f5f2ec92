// Service control manager: the dispatcher, handler registration, status
// reports and controls delivered on the dispatcher's thread.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>

#include "standin/control.h"
#include "standin/control_modules.h"
#include "standin/control_service.h"
#include "standin/service.h"

namespace {

struct PendingControl {
  DWORD control;
  DWORD eventType;
  std::shared_ptr<std::promise<DWORD>> result;
};

struct Scm {
  std::mutex mutex;
  std::condition_variable changed;
  standin::ServiceStart start = standin::ServiceStart::FromConsole;
  std::vector<std::string> args{"USB Printer Service ORVI"};
  bool dispatching = false;
  bool serviceMainDone = false;
  std::thread::id dispatcherThread;
  std::deque<PendingControl> pending;
  LPHANDLER_FUNCTION_EX handler = nullptr;
  LPVOID handlerContext = nullptr;
  std::string handlerName;
  std::vector<SERVICE_STATUS> reports;
  std::vector<standin::DeliveredControl> delivered;
};

Scm& scm() {
  static auto* s = new Scm;
  return *s;
}

// The one status handle of this own-process service; not a closable handle.
int status_handle_token;
SERVICE_STATUS_HANDLE StatusHandle() {
  return reinterpret_cast<SERVICE_STATUS_HANDLE>(&status_handle_token);
}

void ResetScm() {
  Scm& s = scm();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.start = standin::ServiceStart::FromConsole;
  s.args = {"USB Printer Service ORVI"};
  s.handler = nullptr;
  s.handlerContext = nullptr;
  s.handlerName.clear();
  s.reports.clear();
  s.delivered.clear();
  for (auto& p : s.pending) p.result->set_value(ERROR_SERVICE_NOT_ACTIVE);
  s.pending.clear();
}
const bool registered = standin::RegisterResetHook(&ResetScm);

SERVICE_STATUS_HANDLE WINAPI RegisterHandlerExport(LPCSTR name, LPHANDLER_FUNCTION_EX proc,
                                                   LPVOID context) {
  return RegisterServiceCtrlHandlerExA(name, proc, context);
}
const bool exported = standin::RegisterExport(
    "advapi32.dll", "RegisterServiceCtrlHandlerExA",
    reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RegisterHandlerExport)));

// Runs queued controls on the calling (dispatcher) thread until the service
// main function has returned.
void DispatchControls() {
  Scm& s = scm();
  std::unique_lock<std::mutex> lock(s.mutex);
  for (;;) {
    s.changed.wait(lock, [&] { return !s.pending.empty() || s.serviceMainDone; });
    if (s.pending.empty()) break;
    PendingControl c = s.pending.front();
    s.pending.pop_front();
    LPHANDLER_FUNCTION_EX handler = s.handler;
    LPVOID context = s.handlerContext;
    lock.unlock();
    DWORD result = ERROR_SERVICE_NOT_ACTIVE;
    if (handler != nullptr) result = handler(c.control, c.eventType, nullptr, context);
    lock.lock();
    if (handler != nullptr)
      s.delivered.push_back(
          {c.control, c.eventType, result, std::this_thread::get_id() == s.dispatcherThread});
    c.result->set_value(result);
    s.changed.notify_all();
  }
  for (auto& p : s.pending) p.result->set_value(ERROR_SERVICE_NOT_ACTIVE);
  s.pending.clear();
}

}  // namespace

BOOL WINAPI StartServiceCtrlDispatcherA(const SERVICE_TABLE_ENTRYA* lpServiceStartTable) {
  STANDIN_ENTER("StartServiceCtrlDispatcherA", FALSE);
  if (lpServiceStartTable == nullptr || lpServiceStartTable[0].lpServiceName == nullptr ||
      lpServiceStartTable[0].lpServiceProc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Scm& s = scm();
  std::vector<std::string> args;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.start == standin::ServiceStart::FromConsole) {
      SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
      return FALSE;
    }
    if (s.dispatching) {
      SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
      return FALSE;
    }
    s.dispatching = true;
    s.serviceMainDone = false;
    s.dispatcherThread = std::this_thread::get_id();
    args = s.args;
  }
  LPSERVICE_MAIN_FUNCTIONA proc = lpServiceStartTable[0].lpServiceProc;
  std::thread serviceThread([proc, args] {
    std::vector<std::vector<char>> storage;
    std::vector<LPSTR> argv;
    for (const std::string& a : args) {
      storage.emplace_back(a.begin(), a.end());
      storage.back().push_back('\0');
    }
    for (auto& a : storage) argv.push_back(a.data());
    argv.push_back(nullptr);
    proc(static_cast<DWORD>(args.size()), argv.data());
    Scm& state = scm();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.serviceMainDone = true;
    state.changed.notify_all();
  });
  DispatchControls();
  serviceThread.join();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.dispatching = false;
  s.handler = nullptr;
  return TRUE;
}

SERVICE_STATUS_HANDLE WINAPI RegisterServiceCtrlHandlerExA(LPCSTR lpServiceName,
                                                           LPHANDLER_FUNCTION_EX lpHandlerProc,
                                                           LPVOID lpContext) {
  STANDIN_ENTER("RegisterServiceCtrlHandlerExA", nullptr);
  Scm& s = scm();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.dispatching || lpHandlerProc == nullptr) {
    SetLastError(!s.dispatching ? 1060L /* ERROR_SERVICE_DOES_NOT_EXIST */ : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  s.handler = lpHandlerProc;
  s.handlerContext = lpContext;
  s.handlerName = lpServiceName ? lpServiceName : "";
  return StatusHandle();
}

BOOL WINAPI SetServiceStatus(SERVICE_STATUS_HANDLE hServiceStatus, LPSERVICE_STATUS lpServiceStatus) {
  STANDIN_ENTER("SetServiceStatus", FALSE);
  if (hServiceStatus != StatusHandle()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (lpServiceStatus == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Scm& s = scm();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.reports.push_back(*lpServiceStatus);
  s.changed.notify_all();
  return TRUE;
}

namespace standin {

void SetServiceStart(ServiceStart start) {
  std::lock_guard<std::mutex> lock(scm().mutex);
  scm().start = start;
}

void SetServiceArguments(const std::vector<std::string>& args) {
  std::lock_guard<std::mutex> lock(scm().mutex);
  scm().args = args;
}

std::shared_future<DWORD> PostServiceControl(DWORD control, DWORD eventType) {
  auto result = std::make_shared<std::promise<DWORD>>();
  std::shared_future<DWORD> future = result->get_future().share();
  Scm& s = scm();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.dispatching || s.serviceMainDone) {
    result->set_value(ERROR_SERVICE_NOT_ACTIVE);
    return future;
  }
  s.pending.push_back({control, eventType, result});
  s.changed.notify_all();
  return future;
}

DWORD SendServiceControl(DWORD control, DWORD eventType) {
  return PostServiceControl(control, eventType).get();
}

std::vector<DeliveredControl> DeliveredControls() {
  std::lock_guard<std::mutex> lock(scm().mutex);
  return scm().delivered;
}

std::vector<SERVICE_STATUS> ServiceStatusReports() {
  std::lock_guard<std::mutex> lock(scm().mutex);
  return scm().reports;
}

bool WaitForServiceState(DWORD state, int timeoutMs) {
  Scm& s = scm();
  std::unique_lock<std::mutex> lock(s.mutex);
  return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (const SERVICE_STATUS& r : s.reports)
      if (r.dwCurrentState == state) return true;
    return false;
  });
}

std::string RegisteredHandlerName() {
  std::lock_guard<std::mutex> lock(scm().mutex);
  return scm().handlerName;
}

std::thread::id DispatcherThread() {
  std::lock_guard<std::mutex> lock(scm().mutex);
  return scm().dispatcherThread;
}

}  // namespace standin
