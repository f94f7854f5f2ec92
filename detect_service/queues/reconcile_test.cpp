// One reconciliation, row by row: the attached printers and the queues before
// a run, the queues and settings files after it. Every row runs twice: the
// second run must change nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "detect_service/queues/reconcile.h"
#include "detect_service/queues/service_settings.h"
#include "platform/win32.h"
#include "settings_store/trace.h"
#include "support/test_support.h"
#include "standin/control.h"
#include "standin/control_files.h"
#include "standin/control_registry.h"
#include "standin/control_setupapi.h"
#include "standin/control_spooler.h"
#include "support/installed_machine.h"

namespace {

const std::wstring kDriver = L"ORVI Label Driver";
const char kDataDir[] = "C:\\ProgramData\\ORVI";

std::string LabelPath(int n) {
  return "\\\\?\\usb#vid_8888&pid_0026&mi_02#7&2f0c1a&0&000" + std::to_string(n) +
         "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
}

struct Attached {
  DWORD index;
  unsigned char code;  // byte 11
  unsigned char printType = 0, thickness = 0, speed = 0;
};

struct Before {
  std::wstring name;
  std::optional<DWORD> position;
  DWORD attributes = 0;
  DWORD status = 0;
  short quality = 300;
  std::wstring port = L"USB001";
  std::wstring driver = kDriver;
};

struct After {
  std::wstring name;
  std::optional<DWORD> position;
  short quality;  // dmPrintQuality and dmYResolution
  bool offline;
  DWORD status = 0;
};

struct Saved {
  std::string name;
  int resolution, printType, thickness, speed;
};

struct Row {
  const char* what;
  std::vector<Attached> attached;
  std::vector<Before> before;
  std::vector<After> after;  // the driver's queues, in enumeration order
  std::vector<Saved> saved;  // every settings file written
  friend void PrintTo(const Row& row, std::ostream* os) { *os << row.what; }
};

std::vector<unsigned char> Block(const Attached& a) {
  std::vector<unsigned char> b(64, 0);
  b[0] = 0x5A;
  b[8] = a.printType;
  b[9] = a.thickness;
  b[10] = a.speed;
  b[11] = a.code;
  return b;
}

void Install(const Row& row) {
  test_support::InstallOrviPrinterSetup();
  standin::InstallDriver(L"Office Driver");
  for (DWORD i = 0; i < 12; ++i)  // other USB printers fill the indexes that rows leave free
    standin::AttachUsbPrintInterface(i, "\\\\?\\usb#vid_04b8&pid_0202#" + std::to_string(i) + "#{x}");
  for (const Attached& a : row.attached) {
    standin::AttachUsbPrintInterface(a.index, LabelPath(static_cast<int>(a.index)));
    standin::InstallDeviceFile(LabelPath(static_cast<int>(a.index)), Block(a));
  }
  standin::Queue office = standin::MakeQueue(L"Office");
  office.driverName = L"Office Driver";
  office.printerData["Position"] = 1;
  office.attributes = PRINTER_ATTRIBUTE_WORK_OFFLINE;
  standin::InstallQueue(office);
  for (const Before& b : row.before) {
    standin::Queue q = standin::MakeQueue(b.name, b.quality);
    q.driverName = b.driver;
    q.portName = b.port;
    q.attributes = b.attributes;
    q.status = b.status;
    if (b.position) q.printerData["Position"] = *b.position;
    standin::InstallQueue(q);
  }
}

std::string Profile(const std::string& file, const char* key) {
  char value[64] = {0};
  GetPrivateProfileStringA("Print Settings", key, "", value, sizeof(value), file.c_str());
  return value;
}

std::set<std::string> SettingsFiles() {
  std::set<std::string> names;
  std::error_code ec;
  for (auto& e : std::filesystem::directory_iterator(standin::MapPath(std::string(kDataDir)), ec))
    names.insert(e.path().filename().string());
  return names;
}

void ExpectOutcome(const Row& row) {
  std::vector<standin::Queue> mine;
  for (const standin::Queue& q : standin::Queues()) {
    if (q.driverName == kDriver) {
      mine.push_back(q);
    } else {
      EXPECT_EQ(q.name, L"Office");  // the other driver's queue is untouched
      EXPECT_EQ(q.attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_WORK_OFFLINE));
      EXPECT_EQ(q.printerData.at("Position"), 1u);
    }
  }
  ASSERT_EQ(mine.size(), row.after.size());
  for (size_t i = 0; i < mine.size(); ++i) {
    const standin::Queue& q = mine[i];
    const After& a = row.after[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(q.name, a.name);
    auto pos = q.printerData.find("Position");
    EXPECT_EQ(pos == q.printerData.end() ? std::optional<DWORD>() : std::optional<DWORD>(pos->second), a.position);
    EXPECT_EQ(q.devmode.dmPrintQuality, a.quality);
    EXPECT_EQ(q.devmode.dmYResolution, a.quality);
    EXPECT_EQ((q.attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) != 0, a.offline);
    EXPECT_EQ(q.status, a.status);
  }
  std::set<std::string> expectedFiles;
  for (const Saved& s : row.saved) {
    expectedFiles.insert(s.name + ".ini");
    expectedFiles.insert(s.name + ".bin");
    std::string ini = std::string(kDataDir) + "\\" + s.name + ".ini";
    EXPECT_EQ(Profile(ini, "Resolution"), std::to_string(s.resolution)) << s.name;
    EXPECT_EQ(Profile(ini, "Printtype"), std::to_string(s.printType)) << s.name;
    EXPECT_EQ(Profile(ini, "Thickness"), std::to_string(s.thickness)) << s.name;
    EXPECT_EQ(Profile(ini, "Speed"), std::to_string(s.speed)) << s.name;
  }
  EXPECT_EQ(SettingsFiles(), expectedFiles);
}

class ReconcileTest : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    standin::Reset();
    if (getenv("TRACE_DEBUG")) orvi::SetTraceSink([](const std::string& t) { fprintf(stderr, "%s\n", t.c_str()); });
  }
};

TEST_P(ReconcileTest, OneRunBringsTheQueuesInStepAndASecondChangesNothing) {
  const Row& row = GetParam();
  Install(row);
  GetPrinterNum();
  EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  {
    SCOPED_TRACE("first run");
    ExpectOutcome(row);
  }
  GetPrinterNum();
  {
    SCOPED_TRACE("second run");
    ExpectOutcome(row);
  }
  EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
}

const DWORD kOffline = PRINTER_ATTRIBUTE_WORK_OFFLINE;

INSTANTIATE_TEST_SUITE_P(
    Table, ReconcileTest,
    ::testing::Values(
        Row{"first printer, no queue: added as #0 and named B in the same run",
            {{0, 0, 1, 2, 3}},
            {},
            {{L"ORVI", 1, 300, false}},
            {{"ORVI", 203, 1, 2, 3}}},
        Row{"a second identical 300-dpi printer",
            {{0, 2}, {1, 2}},
            {{L"ORVI", 1}},
            {{L"ORVI 300DPI", 1, 306, false}, {L"ORVI 300DPI #1", 2, 306, false}},
            {{"ORVI 300DPI", 306, 0, 0, 0}, {"ORVI 300DPI #1", 306, 0, 0, 0}}},
        Row{"one 300-dpi printer alone: no suffix, 306 dpi",
            {{3, 2, 9, 8, 7}},
            {},
            {{L"ORVI", 1, 306, false}},
            {{"ORVI", 306, 9, 8, 7}}},
        Row{"all unplugged: the lowest Position stays, all-zero settings, offline",
            {},
            {{L"ORVI 300DPI #1", 2, 0, 0, 306}, {L"ORVI 300DPI", 1, 0, 0, 306}},
            {{L"ORVI", 1, 306, true}},
            {{"ORVI", 203, 0, 0, 0}}},
        Row{"plugged in again: offline cleared and the status reset to 0",
            {{0, 1}},
            {{L"ORVI", 1, kOffline, PRINTER_STATUS_ERROR | PRINTER_STATUS_OFFLINE}},
            {{L"ORVI", 1, 300, false, 0}},
            {{"ORVI", 203, 0, 0, 0}}},
        Row{"an invalid printer is not counted but keeps its entry in the pairing",
            {{0, 5}, {1, 0, 4}},
            {},
            {{L"ORVI", 1, 300, false}},
            {{"ORVI", 203, 0, 0, 0}}},
        Row{"several queues and an invalid code: named as a 203-dpi printer, never empty",
            {{0, 0}, {1, 5, 6}, {2, 0}},
            {},
            {{L"ORVI", 1, 300, false}, {L"ORVI #1", 2, 300, false}},
            {{"ORVI", 203, 0, 0, 0}, {"ORVI #1", 203, 6, 0, 0}}},
        Row{"a queue without Position sorts after the numbered ones and is pruned first",
            {{0, 0}},
            {{L"Hand made", std::nullopt}, {L"ORVI #4", 7}},
            {{L"ORVI", 1, 300, false}},
            {{"ORVI", 203, 0, 0, 0}}},
        Row{"a queue without Position alone: kept, named, never marked offline for lack of a value",
            {},
            {{L"Hand made", std::nullopt}},
            {{L"ORVI", std::nullopt, 300, false}},
            {{"ORVI", 203, 0, 0, 0}}},
        Row{"Positions are renumbered from 1 in Position order",
            {{0, 0}, {1, 0}},
            {{L"ORVI #1", 9}, {L"ORVI", 4}},
            {{L"ORVI #1", 2, 300, false}, {L"ORVI", 1, 300, false}},
            {{"ORVI", 203, 0, 0, 0}, {"ORVI #1", 203, 0, 0, 0}}},
        Row{"a printer at enumeration index 12 is not seen",
            {{12, 2}},
            {{L"ORVI", 1}},
            {{L"ORVI", 1, 300, true}},
            {{"ORVI", 203, 0, 0, 0}}},
        Row{"a queue whose level-2 information exceeds 10240 bytes keeps its name",
            {{0, 0}},
            {{L"ORVI #0", 1, 0, 0, 300, std::wstring(11000, L'p')}},
            {{L"ORVI #0", 1, 300, false}},
            {{"ORVI", 203, 0, 0, 0}}}),
    [](const ::testing::TestParamInfo<Row>& info) { return "Row" + std::to_string(info.index); });

class ReconcileEdgeTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
};

TEST_F(ReconcileEdgeTest, QueueListStopsAt256Entries) {
  Row row{"", {}, {}, {}, {}};
  for (DWORD p = 1; p <= 300; ++p) row.before.push_back({L"Q" + std::to_wstring(p), p});
  Install(row);
  GetPrinterNum();
  // The first 256 enumerated are in the list: all but the lowest are pruned.
  size_t left = 0;
  for (const standin::Queue& q : standin::Queues()) left += q.driverName == kDriver;
  EXPECT_EQ(left, 1u + 44u);
  EXPECT_TRUE(standin::FindQueue(L"ORVI").has_value());
  EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
}

TEST_F(ReconcileEdgeTest, AQueueWithItsTargetNameIsNotRenamedOrChanged) {
  Row row{"", {{0, 0}}, {{L"ORVI", 1}}, {}, {}};
  Install(row);
  GetPrinterNum();
  EXPECT_EQ(standin::CallCount("SetPrinterA"), 0);
  EXPECT_EQ(standin::CallCount("SetPrinterDataA"), 0);
  EXPECT_EQ(standin::CallCount("AddPrinterA"), 0);
  EXPECT_EQ(standin::CallCount("DeletePrinter"), 0);
}

TEST_F(ReconcileEdgeTest, QueuesHoldingEachOthersNamesAreRenamedInOneRun) {
  // Each rename is refused while the other queue still holds the name.
  Row row{"", {{0, 0}, {1, 0}}, {{L"ORVI", 2}, {L"ORVI #1", 1}}, {}, {}};
  Install(row);
  GetPrinterNum();
  std::map<std::wstring, DWORD> positions;
  for (const standin::Queue& q : standin::Queues())
    if (q.driverName == kDriver) positions[q.name] = q.printerData.at("Position");
  EXPECT_EQ(positions, (std::map<std::wstring, DWORD>{{L"ORVI", 1}, {L"ORVI #1", 2}}));
  EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
}

TEST_F(ReconcileEdgeTest, ANameHeldByAnotherDriversQueueIsRefusedAndKept) {
  Row row{"", {{0, 0}}, {{L"ORVI #0", 1}}, {}, {}};
  Install(row);
  standin::Queue other = standin::MakeQueue(L"ORVI");
  other.driverName = L"Office Driver";
  standin::InstallQueue(other);
  GetPrinterNum();
  EXPECT_TRUE(standin::FindQueue(L"ORVI #0").has_value());
  EXPECT_EQ(standin::FindQueue(L"ORVI")->driverName, L"Office Driver");
}

TEST_F(ReconcileEdgeTest, WithoutTheInstallationKeyNoQueueIsTouched) {
  Row row{"", {{0, 0}}, {{L"Mine", 1}}, {}, {}};
  Install(row);
  szPrinterName[0] = szDriverName[0] = szPrinterPort[0] = '\0';  // as in a first run
  standin::DenyRegistryKey("HKLM\\SOFTWARE\\USB Printer Service ORVI");
  GetPrinterNum();
  EXPECT_TRUE(standin::FindQueue(L"Mine").has_value());
  EXPECT_EQ(standin::CallCount("SetPrinterA"), 0);
  EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
}

}  // namespace

namespace {

std::vector<std::string>* capturedTraces = nullptr;

TEST_F(ReconcileEdgeTest, TracesOfARunWithoutPrinters) {
  std::vector<std::string> texts;
  capturedTraces = &texts;
  orvi::SetTraceSink([](const std::string& t) {
    if (t.rfind("SavePrinterData", 0) != 0) capturedTraces->push_back(t);  // the store's own traces
  });
  Row row{"", {}, {{L"ORVI", 1}}, {}, {}};
  Install(row);
  standin::DetachUsbPrintInterface(0);  // no USB printer interface at all
  GetPrinterNum();
  orvi::SetTraceSink(nullptr);
  std::vector<std::string> expected = {"*** PrinterName=ORVI, DriverName=ORVI Label Driver, PrinterPort=USB001\r\n",
                                       test_support::Cp936("枚举设备开始！\r\n")};
  for (int i = 0; i < 10; ++i) expected.push_back("szDevicePath[i]= i=" + std::to_string(i) + "\r\n");
  for (const char* t : {"szDevicePath[1]: \r\n", "枚举设备开始！\r\n", "获取有效的打印机数量 0\r\n",
                        "**** GetPrinterNum() = 0\r\n", "enablePrinterNum有效的打印机数量=0\r\n",
                        "idx=1,dwprinternum=0 \r\n", "修改打印机的名称 idx=1\r\n", "PrintName=ORVI\r\n",
                        "如果是一台台打印机，修改为Printer,data[11]=0\r\n", "data[11] == 0x01时处理data[11]=0\r\n",
                        "枚举打印机 pcReturned=2\r\n", "对打印机更新状态idx=1", "Printer[i]->pPrinterName的值ORVI \r\n",
                        "testifornotintoOpenPrinter", "获得打印数据位置1 0\r\n",
                        "进入if ((int)dwPosition > enablePrinterNum) 的if语句\r\n", "设置打印机ORVI Status=0 脱机\r\n",
                        "设置打印机111 Status= ？？？1024   @@@ ORVI\r\n", "打印机状态的值等于1\r\n"})
    expected.push_back(test_support::Cp936(t));
  EXPECT_EQ(texts, expected);
}

}  // namespace
