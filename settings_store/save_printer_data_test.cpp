// SavePrinterData: the INI and .bin contents, repeated saves, the registry
// fallbacks' effect on the files, refused names and paths, traces, handles.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "settings_store/settings_store.h"
#include "settings_store/trace.h"
#include "standin/control.h"
#include "standin/control_registry.h"

namespace {

const char kHklm[] = "HKLM\\Software\\ORVI";
const char kDir[] = "C:\\ProgramData\\ORVI";

std::vector<std::string>& Traces() {
  static std::vector<std::string> lines;
  return lines;
}
void CaptureTrace(const std::string& text) { Traces().push_back(text); }

std::optional<std::string> FileText(const std::string& windowsPath) {
  std::ifstream in(standin::MapPath(windowsPath), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<unsigned char> Block(unsigned char printType, unsigned char thickness, unsigned char speed,
                                 unsigned char code) {
  std::vector<unsigned char> block(255);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(0x41 + i % 26);
  block[8] = printType;
  block[9] = thickness;
  block[10] = speed;
  block[11] = code;
  return block;
}

std::string Ini(int resolution, int printType, int thickness, int speed) {
  return "[Print Settings]\r\nResolution=" + std::to_string(resolution) + "\r\nPrinttype=" +
         std::to_string(printType) + "\r\nThickness=" + std::to_string(thickness) + "\r\nSpeed=" +
         std::to_string(speed) + "\r\n";
}

TEST(PrinterSettingsTest, SettingsFromTheConfigurationBlock) {
  struct Case {
    unsigned char code;
    int resolution;
  };
  const Case cases[] = {{2, 306}, {0, 203}, {1, 203}, {3, 203}, {7, 203}, {255, 203}};
  for (const Case& c : cases) {
    unsigned char block[63] = {};
    block[8] = 250;
    block[9] = 9;
    block[10] = 128;
    block[11] = c.code;
    orvi::PrinterSettings s = orvi::SettingsFromConfigBlock(block);
    EXPECT_EQ(s.resolution, c.resolution) << int(c.code);
    EXPECT_EQ(s.printType, 250);
    EXPECT_EQ(s.thickness, 9);
    EXPECT_EQ(s.speed, 128);
  }
}

class SavePrinterDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    Traces().clear();
    orvi::SetTraceSink(&CaptureTrace);
    std::filesystem::create_directories(standin::MapPath(std::string("C:\\ProgramData")));
  }
  void TearDown() override {
    orvi::SetTraceSink(nullptr);
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
};

TEST_F(SavePrinterDataTest, WritesTheFourKeysAndTheFirst63Bytes) {
  struct Case {
    std::vector<unsigned char> block;
    std::string ini;
  };
  const Case cases[] = {
      {Block(1, 8, 4, 2), Ini(306, 1, 8, 4)},
      {Block(200, 9, 255, 0), Ini(203, 200, 9, 255)},
      {Block(0, 0, 0, 1), Ini(203, 0, 0, 0)},
      {Block(3, 4, 5, 7), Ini(203, 3, 4, 5)},
      {std::vector<unsigned char>(255, 0), Ini(203, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    SetUp();
    SavePrinterData("B 300DPI #1", c.block.data());
    EXPECT_EQ(FileText("C:\\ProgramData\\ORVI\\B 300DPI #1.ini"), c.ini);
    EXPECT_EQ(FileText("C:\\ProgramData\\ORVI\\B 300DPI #1.bin"),
              std::string(c.block.begin(), c.block.begin() + 63));
    EXPECT_EQ(standin::GetRegistryString(kHklm, "Data Directory"), kDir);
  }
}

TEST_F(SavePrinterDataTest, TracesEachStep) {
  std::vector<unsigned char> block = Block(1, 2, 3, 2);
  block[20] = 0;  // the trace shows the block as text up to its first zero
  SavePrinterData("Q", block.data());
  const std::string shown(block.begin(), block.begin() + 20);
  const std::vector<std::string> expected = {
      "SavePrinterData pszPrinterName: Q pData: " + shown + " \r\n",
      "SavePrinterData: RegOpenKeyEx failed, error=2\r\n",
      "SavePrinterData szFileName: C:\\ProgramData\\ORVI\r\n",
      "SavePrinterData CreateFile szBinFile: C:\\ProgramData\\ORVI\\Q.bin\r\n",
      "SavePrinterData INI file saved: C:\\ProgramData\\ORVI\\Q.ini (Resolution=306, Printtype=1, Thickness=2, "
      "Speed=3)\r\n",
  };
  EXPECT_EQ(Traces(), expected);
}

TEST_F(SavePrinterDataTest, BlockWithoutZeroIsTracedOnlyUpToItsOwnBytes) {
  std::vector<unsigned char> block(63, 'A');  // exactly the bytes the writer may read
  SavePrinterData("Q", block.data());
  ASSERT_FALSE(Traces().empty());
  EXPECT_EQ(Traces()[0], "SavePrinterData pszPrinterName: Q pData: " + std::string(63, 'A') + " \r\n");
}

TEST_F(SavePrinterDataTest, SecondSaveReplacesValuesAndKeepsForeignKeys) {
  SavePrinterData("Q", Block(1, 2, 3, 2).data());
  ASSERT_TRUE(WritePrivateProfileStringA("Print Settings", "Foreign", "kept", "C:\\ProgramData\\ORVI\\Q.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("Other", "Key", "x", "C:\\ProgramData\\ORVI\\Q.ini"));
  std::vector<unsigned char> second = Block(9, 8, 7, 0);
  SavePrinterData("Q", second.data());
  EXPECT_EQ(FileText("C:\\ProgramData\\ORVI\\Q.ini"),
            "[Print Settings]\r\nResolution=203\r\nPrinttype=9\r\nThickness=8\r\nSpeed=7\r\nForeign=kept\r\n"
            "[Other]\r\nKey=x\r\n");
  EXPECT_EQ(FileText("C:\\ProgramData\\ORVI\\Q.bin"), std::string(second.begin(), second.begin() + 63));
}

TEST_F(SavePrinterDataTest, WhereTheFilesGo) {
  struct Case {
    const char* label;
    void (*setup)();
    const char* ini;  // null: no file anywhere
  };
  const Case cases[] = {
      {"HKLM key without value", [] { standin::CreateRegistryKey(kHklm); }, "C:\\ProgramData\\ORVI\\Q.ini"},
      {"HKLM value",
       [] {
         standin::SetRegistryString(kHklm, "Data Directory", "C:\\Store");
         CreateDirectoryA("C:\\Store", nullptr);
       },
       "C:\\Store\\Q.ini"},
      {"HKLM denied, HKCU value",
       [] {
         standin::DenyRegistryKey("HKLM");
         standin::SetRegistryString("HKCU\\Software\\ORVI", "Data Directory", "C:\\User");
         CreateDirectoryA("C:\\User", nullptr);
       },
       "C:\\User\\Q.ini"},
      {"HKLM denied, HKCU key without value",
       [] {
         standin::DenyRegistryKey("HKLM");
         standin::CreateRegistryKey("HKCU\\Software\\ORVI");
       },
       "C:\\ProgramData\\ORVI\\Q.ini"},
      {"neither key", [] { standin::DenyRegistryKey("HKLM"); }, nullptr},
  };
  for (const Case& c : cases) {
    SetUp();
    c.setup();
    SavePrinterData("Q", Block(1, 2, 3, 2).data());
    if (c.ini) {
      EXPECT_EQ(FileText(c.ini), Ini(306, 1, 2, 3)) << c.label;
    } else {
      EXPECT_FALSE(std::filesystem::exists(standin::MapPath(std::string(kDir)))) << c.label;
      EXPECT_EQ(standin::CallCount("CreateFileA"), 0) << c.label;
      EXPECT_EQ(standin::CallCount("WritePrivateProfileStringA"), 0) << c.label;
    }
  }
}

TEST_F(SavePrinterDataTest, MissingDirectoryIsNotCreatedAndOnlyTheBinFailureIsTraced) {
  standin::SetRegistryString(kHklm, "Data Directory", "C:\\Gone");
  SavePrinterData("Q", Block(1, 2, 3, 2).data());
  EXPECT_FALSE(std::filesystem::exists(standin::MapPath(std::string("C:\\Gone"))));
  ASSERT_EQ(Traces().size(), 4u);
  EXPECT_EQ(Traces()[2], "CreateFile szFile=C:\\Gone\\Q.bin Error=3\r\n");
  EXPECT_EQ(Traces()[3].rfind("SavePrinterData INI file saved: C:\\Gone\\Q.ini", 0), 0u);
  EXPECT_EQ(standin::CallCount("WritePrivateProfileStringA"), 4);
}

TEST_F(SavePrinterDataTest, FailedBinDoesNotStopTheIniAndFailedWritesAreIgnored) {
  standin::FailCall("CreateFileA", ERROR_SHARING_VIOLATION);
  SavePrinterData("Q", Block(1, 2, 3, 2).data());
  EXPECT_FALSE(FileText("C:\\ProgramData\\ORVI\\Q.bin"));
  EXPECT_EQ(FileText("C:\\ProgramData\\ORVI\\Q.ini"), Ini(306, 1, 2, 3));
  EXPECT_EQ(Traces()[3], "CreateFile szFile=C:\\ProgramData\\ORVI\\Q.bin Error=32\r\n");

  SetUp();
  standin::FailCall("WriteFile", ERROR_ACCESS_DENIED);
  standin::FailCall("WritePrivateProfileStringA", ERROR_ACCESS_DENIED, 1);
  SavePrinterData("Q", Block(1, 2, 3, 2).data());
  EXPECT_EQ(FileText("C:\\ProgramData\\ORVI\\Q.bin"), "");
  EXPECT_EQ(FileText("C:\\ProgramData\\ORVI\\Q.ini"), "[Print Settings]\r\nPrinttype=1\r\nThickness=2\r\nSpeed=3\r\n");
  EXPECT_EQ(standin::CallCount("CloseHandle"), 1);
}

TEST_F(SavePrinterDataTest, NamesOutsideTheDirectoryAndOverlongPathsWriteNothing) {
  struct Case {
    std::string name;
    std::string trace;
  };
  const Case cases[] = {
      {"..\\escape", "SavePrinterData: ..\\escape is not a file name in C:\\ProgramData\\ORVI, nothing written\r\n"},
      {"sub/q", "SavePrinterData: sub/q is not a file name in C:\\ProgramData\\ORVI, nothing written\r\n"},
      {"C:q", "SavePrinterData: C:q is not a file name in C:\\ProgramData\\ORVI, nothing written\r\n"},
      {std::string(240, 'n'), "SavePrinterData: path too long for " + std::string(240, 'n') +
                                  " in C:\\ProgramData\\ORVI, nothing written\r\n"},
  };
  for (const Case& c : cases) {
    SetUp();
    SavePrinterData(c.name.c_str(), Block(1, 2, 3, 2).data());
    ASSERT_EQ(Traces().size(), 4u) << c.name;
    EXPECT_EQ(Traces()[3], c.trace);
    EXPECT_EQ(standin::CallCount("CreateFileA"), 0) << c.name;
    EXPECT_EQ(standin::CallCount("WritePrivateProfileStringA"), 0) << c.name;
    EXPECT_EQ(standin::GetRegistryString(kHklm, "Data Directory"), kDir) << c.name;
  }
  EXPECT_TRUE(std::filesystem::is_empty(standin::MapPath(std::string(kDir))));
}

}  // namespace
