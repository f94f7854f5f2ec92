// The ANSI spooler calls over the queue model.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_spooler.h"
#include "standin/control_text.h"

namespace {

class SpoolerATest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    standin::InstallDriver(L"Label Driver");
    standin::InstallPort(L"USB001");
  }
  void TearDown() override { EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles(); }

  static HANDLE Open(const char* name) {
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterA(const_cast<LPSTR>(name), &h, nullptr)) << name;
    return h;
  }
  static std::vector<BYTE> Info2(HANDLE h) {
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterA(h, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::vector<BYTE> buffer(needed);
    EXPECT_TRUE(GetPrinterA(h, 2, buffer.data(), needed, &needed));
    return buffer;
  }
};

TEST_F(SpoolerATest, EnumerationPacksRecordsAndCp936NamesInsideTheBuffer) {
  standin::Queue local = standin::MakeQueue(L"标签 A");
  local.driverName = L"Label Driver";
  local.status = PRINTER_STATUS_PAUSED;
  standin::InstallQueue(local);
  standin::Queue remote = standin::MakeQueue(L"Remote");
  remote.serverName = L"\\\\host";
  standin::InstallQueue(remote);

  char empty[] = "";
  DWORD needed = 0, returned = 7;
  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, empty, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(returned, 0u);
  std::vector<BYTE> buffer(needed);
  EXPECT_FALSE(EnumPrintersA(6, empty, 2, buffer.data(), needed - 1, &needed, &returned));
  ASSERT_TRUE(EnumPrintersA(6, empty, 2, buffer.data(), needed, &needed, &returned));
  ASSERT_EQ(returned, 2u);
  auto* records = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  const BYTE* end = buffer.data() + buffer.size();
  for (DWORD i = 0; i < returned; ++i) {
    for (const char* s : {records[i].pPrinterName, records[i].pDriverName, records[i].pPortName}) {
      ASSERT_GE(reinterpret_cast<const BYTE*>(s), buffer.data());
      ASSERT_LT(reinterpret_cast<const BYTE*>(s), end);
    }
  }
  EXPECT_EQ(std::string(records[0].pPrinterName), standin::WideToAnsi(L"标签 A"));
  EXPECT_STREQ(records[0].pDriverName, "Label Driver");
  EXPECT_EQ(records[0].Status, static_cast<DWORD>(PRINTER_STATUS_PAUSED));
  EXPECT_EQ(records[0].pDevMode->dmPrintQuality, 300);
  EXPECT_STREQ(records[1].pServerName, "\\\\host");

  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, empty, 2, buffer.data(), needed, &needed, &returned));
  EXPECT_EQ(returned, 1u);
}

TEST_F(SpoolerATest, AddPrinterChecksNameDriverAndPort) {
  struct Case {
    const char* name;
    const char* driver;
    const char* port;
    DWORD error;
  } cases[] = {
      {"New", "Label Driver", "USB001", 0},
      {"New", "Label Driver", "USB001", ERROR_PRINTER_ALREADY_EXISTS},
      {"Other", "No Driver", "USB001", ERROR_UNKNOWN_PRINTER_DRIVER},
      {"Other", "Label Driver", "LPT9:", ERROR_UNKNOWN_PORT},
  };
  for (const Case& c : cases) {
    PRINTER_INFO_2A info{};
    info.pPrinterName = const_cast<LPSTR>(c.name);
    info.pDriverName = const_cast<LPSTR>(c.driver);
    info.pPortName = const_cast<LPSTR>(c.port);
    info.Attributes = PRINTER_ATTRIBUTE_DEFAULT;
    HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (c.error == 0) {
      ASSERT_NE(h, nullptr);
      EXPECT_TRUE(standin::FindQueue(L"New").has_value());
      ClosePrinter(h);
    } else {
      EXPECT_EQ(h, nullptr) << c.name;
      EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
  }
  EXPECT_EQ(standin::Queues().size(), 1u);
}

TEST_F(SpoolerATest, RenameRefusesATakenNameAndKeepsHandlesOnTheQueue) {
  standin::InstallQueue(standin::MakeQueue(L"A"));
  standin::InstallQueue(standin::MakeQueue(L"B"));
  HANDLE h = Open("A");
  std::vector<BYTE> buffer = Info2(h);
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  char taken[] = "B";
  info->pPrinterName = taken;
  EXPECT_FALSE(SetPrinterA(h, 2, buffer.data(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
  char fresh[] = "C";
  info->pPrinterName = fresh;
  info->pShareName = fresh;
  info->Attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
  info->pDevMode->dmPrintQuality = 306;
  ASSERT_TRUE(SetPrinterA(h, 2, buffer.data(), 0));
  EXPECT_FALSE(standin::FindQueue(L"A").has_value());
  auto renamed = standin::FindQueue(L"C");
  ASSERT_TRUE(renamed.has_value());
  EXPECT_EQ(renamed->shareName, L"C");
  EXPECT_EQ(renamed->attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_WORK_OFFLINE));
  EXPECT_EQ(renamed->devmode.dmPrintQuality, 306);
  std::vector<BYTE> again = Info2(h);  // the handle follows the queue
  EXPECT_STREQ(reinterpret_cast<PRINTER_INFO_2A*>(again.data())->pPrinterName, "C");
  ClosePrinter(h);
}

TEST_F(SpoolerATest, StatusIsSetThroughLevelZeroWithAPointer) {
  standin::Queue q = standin::MakeQueue(L"A");
  q.status = PRINTER_STATUS_ERROR;
  standin::InstallQueue(q);
  HANDLE h = Open("A");
  EXPECT_FALSE(SetPrinterA(h, 0, nullptr, PRINTER_CONTROL_SET_STATUS));
  EXPECT_EQ(standin::FindQueue(L"A")->status, static_cast<DWORD>(PRINTER_STATUS_ERROR));
  DWORD status = 0;
  EXPECT_TRUE(SetPrinterA(h, 0, reinterpret_cast<LPBYTE>(&status), PRINTER_CONTROL_SET_STATUS));
  EXPECT_EQ(standin::FindQueue(L"A")->status, 0u);
  ClosePrinter(h);
}

TEST_F(SpoolerATest, PrinterDataPositionPersistsPerQueue) {
  standin::InstallQueue(standin::MakeQueue(L"A"));
  HANDLE h = Open("A");
  char name[] = "Position";
  DWORD type = 0, value = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataA(h, name, &type, reinterpret_cast<LPBYTE>(&value), 4, &needed),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  DWORD position = 3;
  EXPECT_EQ(SetPrinterDataA(h, name, REG_DWORD, reinterpret_cast<LPBYTE>(&position), 4), 0u);
  ClosePrinter(h);
  h = Open("A");
  EXPECT_EQ(GetPrinterDataA(h, name, &type, reinterpret_cast<LPBYTE>(&value), 4, &needed), 0u);
  EXPECT_EQ(value, 3u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(GetPrinterDataA(h, name, &type, reinterpret_cast<LPBYTE>(&value), 2, &needed),
            static_cast<DWORD>(ERROR_MORE_DATA));
  ClosePrinter(h);
}

TEST_F(SpoolerATest, DocumentPropertiesSizesReadsAndMergesMarkedFields) {
  standin::InstallQueue(standin::MakeQueue(L"A", 203));
  HANDLE h = Open("A");
  char name[] = "A";
  LONG size = DocumentPropertiesA(nullptr, h, name, nullptr, nullptr, 0);
  ASSERT_EQ(size, static_cast<LONG>(sizeof(DEVMODEA)));
  DEVMODEA dm{};
  ASSERT_EQ(DocumentPropertiesA(nullptr, h, name, &dm, nullptr, DM_OUT_BUFFER), IDOK);
  EXPECT_EQ(dm.dmPrintQuality, 203);
  dm.dmPrintQuality = 306;
  dm.dmYResolution = 306;
  dm.dmOrientation = DMORIENT_LANDSCAPE;
  dm.dmFields = DM_PRINTQUALITY | DM_YRESOLUTION;  // orientation not marked: not taken
  ASSERT_EQ(DocumentPropertiesA(nullptr, h, name, &dm, &dm, DM_IN_BUFFER | DM_OUT_BUFFER), IDOK);
  EXPECT_EQ(dm.dmPrintQuality, 306);
  EXPECT_EQ(dm.dmYResolution, 306);
  EXPECT_EQ(dm.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(standin::FindQueue(L"A")->devmode.dmPrintQuality, 203);  // the default is unchanged
  ClosePrinter(h);
}

TEST_F(SpoolerATest, DeletedQueueIsGoneButItsHandleStillCloses) {
  standin::InstallQueue(standin::MakeQueue(L"A"));
  HANDLE h = Open("A");
  ASSERT_TRUE(DeletePrinter(h));
  EXPECT_TRUE(standin::Queues().empty());
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterA(h, 2, nullptr, 0, &needed));
  EXPECT_TRUE(ClosePrinter(h));
}

}  // namespace
