// The service host of ORVIDetectService: start-up, the hand-over of the main
// thread to the service control dispatcher, the service main function and
// the control handler.
#pragma once

#include "platform/win32.h"

// The SCM passes names of up to 256 characters.
constexpr int kServiceNameSize = 257;

extern char szServiceName[kServiceNameSize];
extern SERVICE_STATUS m_ServiceStatus;
extern SERVICE_STATUS_HANDLE m_hServiceStatus;
extern HANDLE m_hExitEvent;

void MyMain();
void InitService();
void WINAPI ServiceMain(DWORD dwArgc, LPSTR* lpszArgv);
DWORD WINAPI ServiceCtrlHandler(DWORD dwControl, DWORD dwEventType, LPVOID lpEventData, LPVOID lpContext);

// The filter ServiceMain registers: device interfaces of the USB printer
// class.
DEV_BROADCAST_DEVICEINTERFACE_A UsbPrinterNotificationFilter();

// Runs GetPrinterNum; runs from the ServiceMain thread and the control
// handler's thread never overlap.
void RunReconciliation();
