// The SCM dispatcher, controls on the dispatcher's thread, status reports,
// device notifications and window stations.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_service.h"

namespace {

std::atomic<int> handled{0};
HANDLE stopEvent = nullptr;
SERVICE_STATUS_HANDLE statusHandle = nullptr;
std::thread::id mainThread, handlerThread;

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
  handlerThread = std::this_thread::get_id();
  ++handled;
  if (control == SERVICE_CONTROL_STOP) SetEvent(stopEvent);
  return control == 99 ? ERROR_CALL_NOT_IMPLEMENTED : NO_ERROR;
}

void WINAPI Main(DWORD argc, LPSTR* argv) {
  mainThread = std::this_thread::get_id();
  EXPECT_EQ(argc, 1u);
  auto reg = reinterpret_cast<SERVICE_STATUS_HANDLE (*)(LPCSTR, LPHANDLER_FUNCTION_EX, LPVOID)>(
      reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryA("advapi32.dll"), "RegisterServiceCtrlHandlerExA")));
  statusHandle = reg(argv[0], Handler, nullptr);
  SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, 3, 0, 0, 0, 0};
  SetServiceStatus(statusHandle, &status);
  WaitForSingleObject(stopEvent, INFINITE);
  status.dwCurrentState = SERVICE_STOPPED;
  SetServiceStatus(statusHandle, &status);
}

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    handled = 0;
  }
};

TEST_F(ServiceTest, FromAConsoleTheDispatcherFails) {
  SERVICE_TABLE_ENTRYA table[] = {{const_cast<LPSTR>("S"), Main}, {nullptr, nullptr}};
  EXPECT_FALSE(StartServiceCtrlDispatcherA(table));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT));
}

TEST_F(ServiceTest, ServiceMainRunsOnItsOwnThreadAndControlsOnTheDispatchers) {
  standin::SetServiceStart(standin::ServiceStart::FromScm);
  standin::SetServiceArguments({"My Service"});
  stopEvent = CreateEventA(nullptr, TRUE, FALSE, "");
  std::thread::id dispatcher;
  std::thread host([&] {
    dispatcher = std::this_thread::get_id();
    SERVICE_TABLE_ENTRYA table[] = {{const_cast<LPSTR>("My Service"), Main}, {nullptr, nullptr}};
    EXPECT_TRUE(StartServiceCtrlDispatcherA(table));
  });
  ASSERT_TRUE(standin::WaitForServiceState(SERVICE_RUNNING));
  EXPECT_EQ(standin::RegisteredHandlerName(), "My Service");
  EXPECT_EQ(standin::SendServiceControl(99), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_EQ(standin::SendServiceControl(SERVICE_CONTROL_STOP), static_cast<DWORD>(NO_ERROR));
  host.join();
  EXPECT_EQ(handlerThread, dispatcher);
  EXPECT_NE(mainThread, dispatcher);
  auto reports = standin::ServiceStatusReports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(standin::SendServiceControl(SERVICE_CONTROL_STOP), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  CloseHandle(stopEvent);
}

TEST_F(ServiceTest, DeviceNotificationRecordsTheFilter) {
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid.Data1 = 0x28D78FAD;
  int recipient = 0;
  HDEVNOTIFY n = RegisterDeviceNotificationA(&recipient, &filter, DEVICE_NOTIFY_SERVICE_HANDLE);
  ASSERT_NE(n, nullptr);
  auto all = standin::DeviceNotifications();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].flags, static_cast<DWORD>(DEVICE_NOTIFY_SERVICE_HANDLE));
  EXPECT_EQ(all[0].filter.dbcc_classguid.Data1, 0x28D78FADu);
  UnregisterDeviceNotification(n);
}

TEST_F(ServiceTest, DesktopOpensOnlyInTheProcessWindowStation) {
  EXPECT_EQ(OpenDesktopA("Default", 0, FALSE, MAXIMUM_ALLOWED), nullptr);
  HWINSTA station = OpenWindowStationA("Winsta0", FALSE, MAXIMUM_ALLOWED);
  ASSERT_TRUE(SetProcessWindowStation(station));
  EXPECT_EQ(standin::ProcessWindowStation(), "WinSta0");
  HDESK desktop = OpenDesktopA("Default", 0, FALSE, MAXIMUM_ALLOWED);
  ASSERT_TRUE(SetThreadDesktop(desktop));
  EXPECT_EQ(standin::ThreadDesktopName(std::this_thread::get_id()), "Default");
  CloseDesktop(desktop);
  CloseWindowStation(station);
  EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
}

}  // namespace
