#include "detect_service/service/service_host.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "detect_service/queues/reconcile.h"
#include "detect_service/usb/usb_devices.h"
#include "settings_store/trace.h"

char szServiceName[kServiceNameSize] = "USB Printer Service ORVI";
SERVICE_STATUS m_ServiceStatus;
SERVICE_STATUS_HANDLE m_hServiceStatus;
HANDLE m_hExitEvent;

namespace {
std::mutex reconciliationLock;

typedef SERVICE_STATUS_HANDLE(WINAPI* RegisterHandlerFunction)(LPCSTR, LPHANDLER_FUNCTION_EX, LPVOID);

void SetStatusFields(DWORD state) {
  std::memset(&m_ServiceStatus, 0, sizeof(m_ServiceStatus));
  m_ServiceStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  m_ServiceStatus.dwCurrentState = state;
  m_ServiceStatus.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;
}

// Binds RegisterServiceCtrlHandlerExA at run time and registers the
// handler; null when it cannot be bound or registered.
SERVICE_STATUS_HANDLE RegisterHandler() {
  HMODULE advapi = LoadLibraryA("advapi32.dll");
  if (advapi == nullptr) return nullptr;
  auto registerHandler = reinterpret_cast<RegisterHandlerFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(advapi, "RegisterServiceCtrlHandlerExA")));
  SERVICE_STATUS_HANDLE handle = nullptr;
  if (registerHandler != nullptr) handle = registerHandler(szServiceName, ServiceCtrlHandler, nullptr);
  DWORD error = GetLastError();
  FreeLibrary(advapi);
  SetLastError(error);
  return handle;
}
}  // namespace

void RunReconciliation() {
  std::lock_guard<std::mutex> lock(reconciliationLock);
  GetPrinterNum();
}

DEV_BROADCAST_DEVICEINTERFACE_A UsbPrinterNotificationFilter() {
  DEV_BROADCAST_DEVICEINTERFACE_A filter;
  std::memset(&filter, 0, sizeof(filter));
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kUsbPrintInterfaceClass;
  return filter;
}

void InitService() {
  SetStatusFields(SERVICE_STOPPED);
  m_hServiceStatus = nullptr;
  SetProcessWindowStation(OpenWindowStationA("Winsta0", FALSE, MAXIMUM_ALLOWED));
  SetThreadDesktop(OpenDesktopA("Default", 0, FALSE, MAXIMUM_ALLOWED));
  m_hExitEvent = CreateEventA(nullptr, TRUE, FALSE, "");
}

void MyMain() {
  WriteTrace("Enter MyMain\r\n");
  InitService();
  SERVICE_TABLE_ENTRYA table[] = {{szServiceName, ServiceMain}, {nullptr, nullptr}};
  WriteTrace("szServiceName等于%s\r\n", szServiceName);
  if (!StartServiceCtrlDispatcherA(table)) WriteTrace("Register Service Main Function Error!");
  if (m_hExitEvent != nullptr) CloseHandle(m_hExitEvent);
  m_hExitEvent = nullptr;
}

void WINAPI ServiceMain(DWORD dwArgc, LPSTR* lpszArgv) {
  if (dwArgc != 0 && lpszArgv != nullptr && lpszArgv[0] != nullptr) {
    std::strncpy(szServiceName, lpszArgv[0], kServiceNameSize - 1);
    szServiceName[kServiceNameSize - 1] = '\0';
  }
  WriteTrace("**** dwArgc=%d szServiceName=%s\r\n", static_cast<int>(dwArgc), szServiceName);
  m_hServiceStatus = RegisterHandler();
  if (m_hServiceStatus == nullptr) {
    char text[64];
    std::snprintf(text, sizeof(text), "RegisterServiceCtrlHandler Failed ErrorCode=%d",
                  static_cast<int>(GetLastError()));
    WriteTrace("%s", text);
    return;
  }
  m_ServiceStatus.dwCurrentState = SERVICE_START_PENDING;
  SetStatusFields(SERVICE_RUNNING);
  DEV_BROADCAST_DEVICEINTERFACE_A filter = UsbPrinterNotificationFilter();
  RegisterDeviceNotificationA(m_hServiceStatus, &filter, DEVICE_NOTIFY_SERVICE_HANDLE);
  RunReconciliation();
  SetServiceStatus(m_hServiceStatus, &m_ServiceStatus);
  WriteTrace("WaitForSingleObject m_hExitEvent");
  WaitForSingleObject(m_hExitEvent, INFINITE);
  m_ServiceStatus.dwCurrentState = SERVICE_STOPPED;
  SetServiceStatus(m_hServiceStatus, &m_ServiceStatus);
  WriteTrace("Service stopped");
}
