// The service host under the stand-in SCM: start-up, status reports, the
// control handler and the serialization of reconciliations.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "detect_service/service/service_host.h"
#include "settings_store/trace.h"
#include "standin/control.h"
#include "standin/control_files.h"
#include "standin/control_registry.h"
#include "standin/control_service.h"
#include "standin/control_setupapi.h"
#include "standin/control_spooler.h"
#include "support/test_support.h"
#include "support/installed_machine.h"

namespace {

using namespace std::chrono_literals;

const std::wstring kDriver = L"ORVI Label Driver";
const char kRunStart[] = "*** PrinterName=";
const char kAfterListing[] = "**** GetPrinterNum() = ";

// Records every trace; can hold the next reconciliation at kAfterListing.
struct Traces {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> texts;
  bool gateArmed = false;
  bool gateHit = false;
  bool gateOpen = false;
  size_t statusReportsAtFirstAdd = 99;
};
Traces traces;

void Sink(const std::string& text) {
  std::unique_lock<std::mutex> lock(traces.mutex);
  traces.texts.push_back(text);
  if (text.rfind("AddPrinter Successfully", 0) == 0 && traces.statusReportsAtFirstAdd == 99)
    traces.statusReportsAtFirstAdd = standin::ServiceStatusReports().size();
  if (traces.gateArmed && text.rfind(kAfterListing, 0) == 0) {
    traces.gateArmed = false;
    traces.gateHit = true;
    traces.changed.notify_all();
    traces.changed.wait(lock, [] { return traces.gateOpen; });
  }
  traces.changed.notify_all();
}

int Count(const std::string& prefix) {
  std::lock_guard<std::mutex> lock(traces.mutex);
  int n = 0;
  for (const std::string& t : traces.texts) n += t.rfind(prefix, 0) == 0;
  return n;
}

int IndexOf(const std::string& text) {
  std::lock_guard<std::mutex> lock(traces.mutex);
  for (size_t i = 0; i < traces.texts.size(); ++i)
    if (traces.texts[i] == text) return static_cast<int>(i);
  return -1;
}

std::string LabelPath(int n) {
  return "\\\\?\\usb#vid_8888&pid_0026&mi_02#7&2f0c1a&0&000" + std::to_string(n) +
         "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
}

void Attach(int index, unsigned char code) {
  std::vector<unsigned char> block(64, 0);
  block[11] = code;
  standin::AttachUsbPrintInterface(index, LabelPath(index));
  standin::InstallDeviceFile(LabelPath(index), block);
}

size_t DriverQueues() {
  size_t n = 0;
  for (const standin::Queue& q : standin::Queues()) n += q.driverName == kDriver;
  return n;
}

class ServiceHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    {
      std::lock_guard<std::mutex> lock(traces.mutex);
      traces.texts.clear();
      traces.gateArmed = traces.gateHit = traces.gateOpen = false;
      traces.statusReportsAtFirstAdd = 99;
    }
    orvi::SetTraceSink(&Sink);
    std::strcpy(szServiceName, "USB Printer Service ORVI");
    test_support::InstallOrviPrinterSetup();
    standin::SetServiceStart(standin::ServiceStart::FromScm);
  }
  void TearDown() override {
    if (host_.joinable()) {
      OpenGate();
      standin::SendServiceControl(SERVICE_CONTROL_STOP);
      host_.join();
    }
    orvi::SetTraceSink(nullptr);
  }

  void StartHost() {
    host_ = std::thread([this] {
      hostThread_ = std::this_thread::get_id();
      MyMain();
    });
  }
  void StopHost() {
    EXPECT_EQ(standin::SendServiceControl(SERVICE_CONTROL_STOP), static_cast<DWORD>(NO_ERROR));
    host_.join();
  }
  static void ArmGate() {
    std::lock_guard<std::mutex> lock(traces.mutex);
    traces.gateArmed = true;
  }
  static bool WaitForGate() {
    std::unique_lock<std::mutex> lock(traces.mutex);
    return traces.changed.wait_for(lock, 10s, [] { return traces.gateHit; });
  }
  static void OpenGate() {
    std::lock_guard<std::mutex> lock(traces.mutex);
    traces.gateOpen = true;
    traces.changed.notify_all();
  }
  static std::vector<DWORD> States() {
    std::vector<DWORD> states;
    for (const SERVICE_STATUS& s : standin::ServiceStatusReports()) states.push_back(s.dwCurrentState);
    return states;
  }

  std::thread host_;
  std::thread::id hostThread_;
};

TEST_F(ServiceHostTest, ReconcilesBeforeReportingRunningThenStopsInOrder) {
  Attach(0, 0);
  StartHost();
  ASSERT_TRUE(standin::WaitForServiceState(SERVICE_RUNNING));
  EXPECT_EQ(traces.statusReportsAtFirstAdd, 0u);  // the queue came before any report
  EXPECT_TRUE(standin::FindQueue(L"ORVI").has_value());
  StopHost();

  EXPECT_EQ(States(), (std::vector<DWORD>{SERVICE_RUNNING, SERVICE_STOP_PENDING, SERVICE_STOPPED}));
  for (const SERVICE_STATUS& s : standin::ServiceStatusReports()) {
    EXPECT_EQ(s.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(s.dwControlsAccepted, 3u);
    EXPECT_EQ(s.dwWin32ExitCode + s.dwServiceSpecificExitCode + s.dwCheckPoint + s.dwWaitHint, 0u);
  }
  EXPECT_EQ(standin::RegisteredHandlerName(), "USB Printer Service ORVI");
  auto notifications = standin::DeviceNotifications();
  ASSERT_EQ(notifications.size(), 1u);
  EXPECT_EQ(notifications[0].flags, static_cast<DWORD>(DEVICE_NOTIFY_SERVICE_HANDLE));
  EXPECT_EQ(notifications[0].filter.dbcc_size, 32u);
  EXPECT_EQ(notifications[0].filter.dbcc_devicetype, static_cast<DWORD>(DBT_DEVTYP_DEVICEINTERFACE));
  EXPECT_EQ(notifications[0].filter.dbcc_reserved, 0u);
  EXPECT_EQ(std::memcmp(&notifications[0].filter.dbcc_classguid, &standin::UsbPrintInterfaceClass(), sizeof(GUID)), 0);
  EXPECT_EQ(standin::ProcessWindowStation(), "WinSta0");
  EXPECT_EQ(standin::ThreadDesktopName(hostThread_), "Default");
  EXPECT_EQ(standin::DispatcherThread(), hostThread_);
  // What stays open lives as long as the process: the station, the desktop
  // and the notification registration.
  EXPECT_EQ(standin::OpenHandleCount(), 3u) << standin::DescribeOpenHandles();
  EXPECT_EQ(standin::OpenHandleCount(standin::HandleKind::DeviceNotify), 1u);
  EXPECT_GE(IndexOf(test_support::Cp936("接收到服务管理器控制停止命令\r\n")), 0);
  EXPECT_GE(IndexOf("Service stopped"), 0);
}

TEST_F(ServiceHostTest, HandlerAnswersAndEveryDeviceEventReconciles) {
  Attach(0, 0);
  StartHost();
  ASSERT_TRUE(standin::WaitForServiceState(SERVICE_RUNNING));
  struct {
    DWORD control;
    DWORD result;
  } answers[] = {{SERVICE_CONTROL_PAUSE, NO_ERROR},
                 {SERVICE_CONTROL_CONTINUE, NO_ERROR},
                 {SERVICE_CONTROL_INTERROGATE, NO_ERROR},
                 {SERVICE_CONTROL_SHUTDOWN, ERROR_CALL_NOT_IMPLEMENTED},
                 {0x80, ERROR_CALL_NOT_IMPLEMENTED}};
  for (const auto& a : answers) EXPECT_EQ(standin::SendServiceControl(a.control), a.result) << a.control;
  EXPECT_EQ(States(), std::vector<DWORD>{SERVICE_RUNNING});  // PAUSE and CONTINUE change nothing

  // Paused or not, events are handled; each event type runs a full run.
  Attach(1, 0);
  EXPECT_EQ(standin::SendServiceControl(SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEARRIVAL), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(DriverQueues(), 2u);
  standin::DetachUsbPrintInterface(1);
  EXPECT_EQ(standin::SendServiceControl(SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEREMOVECOMPLETE),
            static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(DriverQueues(), 1u);
  standin::DetachUsbPrintInterface(0);
  EXPECT_EQ(standin::SendServiceControl(SERVICE_CONTROL_DEVICEEVENT, 0x1234), static_cast<DWORD>(NO_ERROR));
  EXPECT_NE(standin::FindQueue(L"ORVI")->attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE, 0u);
  EXPECT_EQ(Count(kRunStart), 4);
  EXPECT_GE(IndexOf(test_support::Cp936("******* SERVICE_CONTROL_DEVICEEVENT 有设备插入 dwEventType=1234\r\n")), 0);
  for (const standin::DeliveredControl& d : standin::DeliveredControls()) EXPECT_TRUE(d.onDispatcherThread);
  StopHost();
}

TEST_F(ServiceHostTest, StopDuringADeviceEventRunTakesEffectAfterIt) {
  StartHost();
  ASSERT_TRUE(standin::WaitForServiceState(SERVICE_RUNNING));
  ArmGate();
  auto event = standin::PostServiceControl(SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEARRIVAL);
  ASSERT_TRUE(WaitForGate());
  auto stop = standin::PostServiceControl(SERVICE_CONTROL_STOP);
  EXPECT_EQ(stop.wait_for(300ms), std::future_status::timeout);
  EXPECT_EQ(States(), std::vector<DWORD>{SERVICE_RUNNING});
  OpenGate();
  EXPECT_EQ(event.get(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(stop.get(), static_cast<DWORD>(NO_ERROR));
  host_.join();
  EXPECT_EQ(States(), (std::vector<DWORD>{SERVICE_RUNNING, SERVICE_STOP_PENDING, SERVICE_STOPPED}));
  EXPECT_LT(IndexOf(test_support::Cp936("******* SERVICE_CONTROL_DEVICEEVENT 有设备插入 dwEventType=8000\r\n")),
            IndexOf(test_support::Cp936("接收到服务管理器控制停止命令\r\n")));
}

TEST_F(ServiceHostTest, ADeviceEventDuringTheFirstRunWaitsForIt) {
  ArmGate();
  StartHost();
  ASSERT_TRUE(WaitForGate());  // the first run, on the ServiceMain thread, is held
  auto event = standin::PostServiceControl(SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEARRIVAL);
  EXPECT_EQ(event.wait_for(300ms), std::future_status::timeout);
  EXPECT_EQ(Count(kRunStart), 1);  // the second run has not begun
  OpenGate();
  EXPECT_EQ(event.get(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Count(kRunStart), 2);
  StopHost();
}

TEST_F(ServiceHostTest, TheNameTheScmPassesIsKeptWhole) {
  std::string longest(256, 'S');
  standin::SetServiceArguments({longest});
  StartHost();
  ASSERT_TRUE(standin::WaitForServiceState(SERVICE_RUNNING));
  EXPECT_EQ(standin::RegisteredHandlerName(), longest);
  EXPECT_EQ(std::string(szServiceName), longest);
  StopHost();
}

TEST_F(ServiceHostTest, WithoutAHandlerNothingIsReported) {
  struct {
    const char* call;
  } failures[] = {{"RegisterServiceCtrlHandlerExA"}, {"LoadLibraryA"}, {"GetProcAddress"}};
  for (const auto& f : failures) {
    SCOPED_TRACE(f.call);
    standin::ClearFailures();
    standin::FailCall(f.call, ERROR_INVALID_NAME);
    std::thread host(MyMain);
    host.join();  // ServiceMain returned, and with it the dispatcher
    EXPECT_TRUE(standin::ServiceStatusReports().empty());
    EXPECT_EQ(Count(kRunStart), 0);
    EXPECT_EQ(standin::OpenHandleCount(standin::HandleKind::Module), 0u);
  }
}

TEST_F(ServiceHostTest, FromAConsoleTheHostReturnsAfterTheStartUpSteps) {
  standin::SetServiceStart(standin::ServiceStart::FromConsole);
  MyMain();
  EXPECT_GE(IndexOf("Register Service Main Function Error!"), 0);
  EXPECT_EQ(Count(kRunStart), 0);
  EXPECT_EQ(standin::OpenHandleCount(standin::HandleKind::Event), 0u);
}

TEST(ServiceProgram, StartedFromAConsoleExitsWithZero) {
  int status = std::system("\"" ORVI_DETECT_SERVICE_EXE "\"");
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
