#include "detect_service/service/service_host.h"
#include "settings_store/trace.h"

DWORD WINAPI ServiceCtrlHandler(DWORD dwControl, DWORD dwEventType, LPVOID, LPVOID) {
  switch (dwControl) {
    case SERVICE_CONTROL_STOP:
      m_ServiceStatus.dwCurrentState = SERVICE_STOP_PENDING;
      SetServiceStatus(m_hServiceStatus, &m_ServiceStatus);
      WriteTrace("接收到服务管理器控制停止命令\r\n");
      SetEvent(m_hExitEvent);
      return NO_ERROR;
    case SERVICE_CONTROL_PAUSE:
      WriteTrace("接收到服务管理器控制暂停命令\r\n");
      return NO_ERROR;
    case SERVICE_CONTROL_CONTINUE:
      WriteTrace("接收到服务管理器控制继续命令\r\n");
      return NO_ERROR;
    case SERVICE_CONTROL_DEVICEEVENT:
      RunReconciliation();
      WriteTrace("******* SERVICE_CONTROL_DEVICEEVENT 有设备插入 dwEventType=%x\r\n", static_cast<unsigned>(dwEventType));
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      // The SCM keeps the current state itself; the handler only answers.
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}
