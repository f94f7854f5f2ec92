// Reconciliation on machines that present more, longer or stranger things
// than usual: many matching interfaces, over-long device paths, queues
// without Position, refused renames and registry keys that cannot be
// opened. Each run must end without a crash or a leaked handle, and a
// second run must settle on the same queues.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "detect_service/queues/reconcile.h"
#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_files.h"
#include "standin/control_registry.h"
#include "standin/control_setupapi.h"
#include "standin/control_spooler.h"
#include "support/installed_machine.h"

namespace {

const std::wstring kDriver = L"ORVI Label Driver";

std::string LabelPath(const std::string& serial) {
  return "\\\\?\\usb#vid_8888&pid_0026&mi_02#7&2f0c1a&0&" + serial + "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
}

std::vector<unsigned char> Block(unsigned char code) {
  std::vector<unsigned char> b(64, 0);
  b[0] = 0x5A;
  b[11] = code;
  return b;
}

// Name -> Position ("-" for none) of the driver's queues.
std::map<std::wstring, std::wstring> DriverQueues() {
  std::map<std::wstring, std::wstring> out;
  for (const standin::Queue& q : standin::Queues()) {
    if (q.driverName != kDriver) continue;
    auto p = q.printerData.find("Position");
    out[q.name] = p == q.printerData.end() ? L"-" : std::to_wstring(p->second);
  }
  return out;
}

class HostileMachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    test_support::InstallOrviPrinterSetup();
  }
  void TearDown() override { EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles(); }

  void Attach(DWORD index, const std::string& path, unsigned char code = 0) {
    standin::AttachUsbPrintInterface(index, path);
    standin::InstallDeviceFile(path, Block(code));
  }
  void AddQueue(const std::wstring& name, std::optional<DWORD> position) {
    standin::Queue q = standin::MakeQueue(name, 300);
    q.driverName = kDriver;
    q.portName = L"USB001";
    if (position) q.printerData["Position"] = *position;
    standin::InstallQueue(q);
  }
  // Two runs; the second must leave the queues as the first did.
  std::map<std::wstring, std::wstring> RunTwice() {
    GetPrinterNum();
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
    const auto first = DriverQueues();
    GetPrinterNum();
    EXPECT_EQ(DriverQueues(), first) << "the second run changed the queues";
    return first;
  }
};

TEST_F(HostileMachineTest, TwentyMatchingInterfacesGiveAtMostTenQueues) {
  for (DWORD i = 0; i < 20; ++i) Attach(i, LabelPath("p" + std::to_string(i)));
  const auto queues = RunTwice();
  EXPECT_EQ(queues.size(), 10u);
  EXPECT_EQ(queues.count(L"ORVI"), 1u);
  for (const standin::Queue& q : standin::Queues())
    EXPECT_EQ(q.attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE, 0u) << std::string(q.name.begin(), q.name.end());
}

TEST_F(HostileMachineTest, DevicePathsOf300CharactersAreNeitherListedNorOpened) {
  const std::string longPath = LabelPath(std::string(300 - LabelPath("").size(), 'x'));
  ASSERT_EQ(longPath.size(), 300u);
  Attach(0, longPath);
  Attach(1, longPath + "y");
  AddQueue(L"ORVI", 1);
  const auto queues = RunTwice();
  EXPECT_EQ(queues, (std::map<std::wstring, std::wstring>{{L"ORVI", L"1"}}));
  EXPECT_EQ(standin::DeviceOpenCount(longPath), 0);
  EXPECT_NE(standin::FindQueue(L"ORVI")->attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE, 0u)
      << "no printer is attached, so the queue is offline";
}

// The extra ones are pruned; the two kept are named but, lacking a
// Position, are not given one (renumbering only rewrites existing values).
TEST_F(HostileMachineTest, QueuesWithoutPositionArePrunedToThePrintersAttached) {
  Attach(0, LabelPath("a"));
  Attach(1, LabelPath("b"));
  AddQueue(L"Hand made 1", std::nullopt);
  AddQueue(L"Hand made 2", std::nullopt);
  AddQueue(L"Hand made 3", std::nullopt);
  const auto queues = RunTwice();
  EXPECT_EQ(queues, (std::map<std::wstring, std::wstring>{{L"ORVI", L"-"}, {L"ORVI #1", L"-"}}));
}

TEST_F(HostileMachineTest, RefusedRenamesLeaveTheQueuesForTheNextRun) {
  Attach(0, LabelPath("a"));
  Attach(1, LabelPath("b"));
  AddQueue(L"Old one", 1);
  AddQueue(L"Old two", 2);
  standin::FailCall("SetPrinterA", ERROR_ACCESS_DENIED);
  GetPrinterNum();
  EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  EXPECT_EQ(DriverQueues().size(), 2u);
  standin::Reset();
  SetUp();
  Attach(0, LabelPath("a"));
  Attach(1, LabelPath("b"));
  AddQueue(L"Old one", 1);
  AddQueue(L"Old two", 2);
  EXPECT_EQ(RunTwice(), (std::map<std::wstring, std::wstring>{{L"ORVI", L"1"}, {L"ORVI #1", L"2"}}));
}

TEST_F(HostileMachineTest, ADataDirectoryKeyThatCannotBeOpenedWritesNoSettings) {
  Attach(0, LabelPath("a"));
  standin::DenyRegistryKey("HKLM\\Software\\ORVI");
  standin::DenyRegistryKey("HKEY_CURRENT_USER\\Software\\ORVI");
  const auto queues = RunTwice();
  EXPECT_EQ(queues, (std::map<std::wstring, std::wstring>{{L"ORVI", L"1"}}));
  std::error_code ec;
  EXPECT_FALSE(std::filesystem::exists(standin::MapPath(std::string("C:\\ProgramData\\ORVI\\ORVI.ini")), ec));
}

TEST_F(HostileMachineTest, AnUnreadableDeviceCountsButKeepsAnEmptyConfiguration) {
  Attach(0, LabelPath("a"));
  standin::FailDeviceOpen(LabelPath("a"));
  const auto queues = RunTwice();
  EXPECT_EQ(queues, (std::map<std::wstring, std::wstring>{{L"ORVI", L"1"}}));
}

}  // namespace
