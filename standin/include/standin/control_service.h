// Test control of the service control manager, device notifications and
// window stations: how the dispatcher is started, controls sent to the
// running service, and what the service reported and registered.
#pragma once

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "standin/base.h"
#include "standin/service.h"

namespace standin {

// How StartServiceCtrlDispatcherA finds the process: started by the SCM it
// runs the service main function; started from a console (the default, as
// for a program run by hand) it fails with
// ERROR_FAILED_SERVICE_CONTROLLER_CONNECT.
enum class ServiceStart { FromConsole, FromScm };
void SetServiceStart(ServiceStart start);
// The arguments the SCM passes to the service main function; the first is
// the service's name. Default: {"USB Printer Service ORVI"}.
void SetServiceArguments(const std::vector<std::string>& args);

// Queues a control for the running dispatcher; the handler runs on the
// dispatcher's thread (the one that called StartServiceCtrlDispatcherA), one
// control after another. The future yields the handler's result, or
// ERROR_SERVICE_NOT_ACTIVE when no dispatcher or handler takes it.
std::shared_future<DWORD> PostServiceControl(DWORD control, DWORD eventType = 0);
DWORD SendServiceControl(DWORD control, DWORD eventType = 0);

struct DeliveredControl {
  DWORD control;
  DWORD eventType;
  DWORD result;
  bool onDispatcherThread;
};
std::vector<DeliveredControl> DeliveredControls();

// Every SetServiceStatus call, in order.
std::vector<SERVICE_STATUS> ServiceStatusReports();
// Waits (at most timeoutMs) until a report with that state has been made.
bool WaitForServiceState(DWORD state, int timeoutMs = 10000);
// The name given to RegisterServiceCtrlHandlerExA ("" before).
std::string RegisteredHandlerName();
// The thread that ran the last StartServiceCtrlDispatcherA.
std::thread::id DispatcherThread();

struct DeviceNotification {
  HANDLE recipient;
  DWORD flags;
  DEV_BROADCAST_DEVICEINTERFACE_A filter;  // copy of dbcc_size bytes at most
};
std::vector<DeviceNotification> DeviceNotifications();

// Window station of the process and desktop of a thread ("" when none set).
std::string ProcessWindowStation();
std::string ThreadDesktopName(std::thread::id thread);

}  // namespace standin
