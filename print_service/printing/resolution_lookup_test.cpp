// The resolution lookup: atoi parsing, the precedence of a stored custom
// resolution over the device, its log lines, names that are not file names,
// and release of every handle when any call fails.
#include "print_service/printing/resolution_lookup.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_registry.h"
#include "standin/control_spooler.h"

namespace {

const char kHklm[] = "HKLM\\Software\\ORVI";
const char kDir[] = "C:\\ProgramData\\ORVI";
const char kFound[] = "GetPrinterResolution: Found custom resolution: ";

// The queue's device: 203 dpi, a 4 x 6 inch page, and a quality code in
// its default device mode so that sign extension shows.
void InstallLabelQueue(const std::wstring& name) {
  standin::Queue q = standin::MakeQueue(name, -4);
  q.caps = standin::DeviceCaps{203, 203, 812, 1218};
  standin::InstallQueue(q);
}

void WriteSettings(const std::string& name, const std::string& content) {
  std::ofstream(standin::MapPath(std::string(kDir) + "\\" + name + ".ini"), std::ios::binary) << content;
}

std::string ResolutionLine(const std::string& value) {
  return "[Print Settings]\r\nResolution=" + value + "\r\nPrinttype=1\r\n";
}

class ResolutionLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    std::filesystem::create_directories(standin::MapPath(std::string(kDir)));
    standin::SetRegistryString(kHklm, "Data Directory", kDir);
  }
  void TearDown() override { EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles(); }
};

// Runs the lookup, returning its outcome and what it printed.
std::pair<orvi::ResolutionOutcome, std::string> Lookup(const std::string& name) {
  testing::internal::CaptureStdout();
  orvi::ResolutionOutcome outcome = orvi::GetPrinterResolution(name.c_str());
  return {outcome, testing::internal::GetCapturedStdout()};
}

std::string Describe(const orvi::ResolutionOutcome& o) {
  if (const auto* r = std::get_if<orvi::PrinterResolution>(&o)) {
    return std::to_string(r->xDPI) + "," + std::to_string(r->yDPI) + "," + std::to_string(r->physicalWidth) + "," +
           std::to_string(r->physicalHeight) + "," + std::to_string(r->printQuality);
  }
  return std::get<orvi::ResolutionFailure>(o) == orvi::ResolutionFailure::OpenPrinterFailed ? "OpenPrinterFailed"
                                                                                             : "CreateDcFailed";
}

TEST(ParseCustomResolutionTest, ReadsLikeAtoiAndSaturates) {
  struct Case {
    const char* text;
    int value;
  };
  const Case cases[] = {
      {"306", 306},
      {"  \t42", 42},
      {"+7", 7},
      {"-5", -5},
      {"306abc", 306},
      {"abc306", 0},
      {"", 0},
      {"-", 0},
      {"3 06", 3},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-2147483649", INT_MIN},
      {"9999999999999999999999999999999", INT_MAX},
      {"-9999999999999999999999999999999", INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(orvi::ParseCustomResolution(c.text), c.value) << c.text;
}

TEST_F(ResolutionLookupTest, StoredValueQueueAndDeviceContext) {
  struct Stored {
    const char* label;
    const char* file;  // null: no settings file
    int custom;        // the parsed value
    bool line;         // whether the "Found" line is written
  };
  const Stored stored[] = {
      {"306", "306", 306, true},
      {"0", "0", 0, true},
      {"-5", "-5", -5, true},
      {"306abc", "306abc", 306, true},
      {"empty", "", 0, false},
      {"cut to 31 characters", "0000000000000000000000000000000306", 0, true},
      {"saturated", "99999999999", INT_MAX, true},
      {"no file", nullptr, 0, true},
  };
  for (const Stored& s : stored) {
    for (bool queue : {true, false}) {
      for (bool dc : {true, false}) {
        SetUp();
        if (s.file) WriteSettings("Label", ResolutionLine(s.file));
        if (queue) InstallLabelQueue(L"Label");
        if (!dc) standin::FailCall("CreateDCW", ERROR_INVALID_PARAMETER);
        auto [outcome, out] = Lookup("Label");

        std::string c = std::to_string(s.custom);
        std::string expected;
        if (s.custom > 0) {
          expected = c + "," + c + "," + (queue && dc ? "812,1218," : "0,0,") + c;
        } else if (!queue) {
          expected = "OpenPrinterFailed";
        } else {
          expected = dc ? "203,203,812,1218,-4" : "CreateDcFailed";
        }
        std::string label = std::string(s.label) + (queue ? " queue" : " no queue") + (dc ? " dc" : " no dc");
        EXPECT_EQ(Describe(outcome), expected) << label;
        EXPECT_EQ(out, s.line ? kFound + c + "\n" : "") << label;
        if (queue && dc) {
          EXPECT_EQ(standin::CallCount("GetDeviceCaps"), s.custom > 0 ? 2 : 4) << label;
        }
        EXPECT_EQ(standin::OpenHandleCount(), 0u) << label << ": " << standin::DescribeOpenHandles();
      }
    }
  }
}

TEST_F(ResolutionLookupTest, TheDeviceModeIsTheQueuesDefault) {
  standin::Queue q = standin::MakeQueue(L"Q", 306);
  q.caps = standin::DeviceCaps{300, 300, 1200, 1800};
  standin::InstallQueue(q);
  EXPECT_EQ(Describe(Lookup("Q").first), "300,300,1200,1800,306");
}

TEST_F(ResolutionLookupTest, EveryHandleIsReleasedWhenACallFails) {
  struct Case {
    const char* call;
    int skip;
    const char* withoutCustom;
    const char* withCustom;
  };
  const Case cases[] = {
      {"OpenPrinterW", 0, "OpenPrinterFailed", "306,306,0,0,306"},
      {"DocumentPropertiesW", 0, "CreateDcFailed", "306,306,0,0,306"},
      {"DocumentPropertiesW", 1, "CreateDcFailed", "306,306,0,0,306"},
      {"GlobalAlloc", 0, "CreateDcFailed", "306,306,0,0,306"},
      {"GlobalLock", 0, "CreateDcFailed", "306,306,0,0,306"},
      {"CreateDCW", 0, "CreateDcFailed", "306,306,0,0,306"},
      {"RegOpenKeyExA", 0, "203,203,812,1218,-4", "306,306,812,1218,306"},
      {"RegQueryValueExA", 0, "203,203,812,1218,-4", "306,306,812,1218,306"},  // the default is this directory
      {"RegSetValueExA", 0, "203,203,812,1218,-4", "306,306,812,1218,306"},
      {"GetPrivateProfileStringA", 0, "203,203,812,1218,-4", "203,203,812,1218,-4"},
      {"ClosePrinter", 0, "203,203,812,1218,-4", "306,306,812,1218,306"},
  };
  for (const Case& c : cases) {
    for (bool custom : {false, true}) {
      SetUp();
      InstallLabelQueue(L"Label");
      if (custom) WriteSettings("Label", ResolutionLine("306"));
      standin::FailCall(c.call, ERROR_ACCESS_DENIED, -1, c.skip);
      std::string label = std::string(c.call) + " after " + std::to_string(c.skip) + (custom ? " custom" : "");
      EXPECT_EQ(Describe(Lookup("Label").first), custom ? c.withCustom : c.withoutCustom) << label;
      if (std::string(c.call) == "ClosePrinter") {
        // The stand-in keeps a printer whose close failed; everything else is released.
        EXPECT_EQ(standin::OpenHandleCount(), standin::OpenHandleCount(standin::HandleKind::Printer)) << label;
        EXPECT_EQ(standin::CallCount("ClosePrinter"), 1) << label;
        standin::Reset();
      }
      EXPECT_EQ(standin::OpenHandleCount(), 0u) << label << ": " << standin::DescribeOpenHandles();
      bool deviceModeMissing = std::string(c.call) == "DocumentPropertiesW" || std::string(c.call) == "GlobalAlloc" ||
                               std::string(c.call) == "GlobalLock";
      if (deviceModeMissing) {
        EXPECT_EQ(standin::CallCount("CreateDCW"), 0) << label;
        EXPECT_EQ(standin::CallCount("GetDeviceCaps"), 0) << label;
      }
    }
  }
}

TEST_F(ResolutionLookupTest, RegistryFallbackLines) {
  struct Case {
    const char* label;
    void (*setup)();
    const char* pattern;  // what the lookup prints
    const char* outcome;
  };
  const Case cases[] = {
      {"HKLM key missing", [] { standin::DeleteRegistryKey(kHklm); },
       "GetPrinterResolution: RegOpenKeyEx failed, error=2\n"
       "GetPrinterResolution: RegCreateKeyEx success, hKey=\\S+\n"
       "GetPrinterResolution: Found custom resolution: 306\n",
       "306,306,812,1218,306"},
      {"HKLM denied, HKCU missing", [] { standin::DenyRegistryKey("HKLM"); },
       "GetPrinterResolution: RegOpenKeyEx failed, error=5\n"
       "GetPrinterResolution: RegCreateKeyEx also failed, error=5\n"
       "GetPrinterResolution: Fallback to HKCU failed, error=2\n",
       "203,203,812,1218,-4"},
      {"HKLM denied, HKCU value",
       [] {
         standin::DenyRegistryKey("HKLM");
         standin::SetRegistryString("HKCU\\Software\\ORVI", "Data Directory", kDir);
       },
       "GetPrinterResolution: RegOpenKeyEx failed, error=5\n"
       "GetPrinterResolution: RegCreateKeyEx also failed, error=5\n"
       "GetPrinterResolution: Found custom resolution: 306\n",
       "306,306,812,1218,306"},
      {"value missing: the default is written and read",
       [] { standin::DeleteRegistryValue(kHklm, "Data Directory"); },
       "GetPrinterResolution: Found custom resolution: 306\n", "306,306,812,1218,306"},
  };
  for (const Case& c : cases) {
    SetUp();
    InstallLabelQueue(L"Label");
    WriteSettings("Label", ResolutionLine("306"));
    c.setup();
    auto [outcome, out] = Lookup("Label");
    EXPECT_TRUE(std::regex_match(out, std::regex(c.pattern))) << c.label << ":\n" << out;
    EXPECT_EQ(Describe(outcome), c.outcome) << c.label;
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << c.label << ": " << standin::DescribeOpenHandles();
  }
  EXPECT_EQ(standin::GetRegistryString(kHklm, "Data Directory"), kDir);
}

TEST_F(ResolutionLookupTest, MissingDataDirectoryIsCreatedWithTheDefault) {
  std::filesystem::remove_all(standin::MapPath(std::string(kDir)));
  standin::DeleteRegistryKey(kHklm);
  InstallLabelQueue(L"Label");
  EXPECT_EQ(Describe(Lookup("Label").first), "203,203,812,1218,-4");
  EXPECT_EQ(standin::GetRegistryString(kHklm, "Data Directory"), kDir);
  EXPECT_TRUE(std::filesystem::is_directory(standin::MapPath(std::string(kDir))));
}

TEST_F(ResolutionLookupTest, NamesThatAreNotFileNamesSkipTheSettingsFile) {
  // A settings file that such names would reach if they were used as paths.
  std::ofstream(standin::MapPath(std::string("C:\\ProgramData\\secret.ini")), std::ios::binary)
      << ResolutionLine("999");
  std::filesystem::create_directories(standin::MapPath(std::string(kDir) + "\\sub"));
  WriteSettings("sub\\q", ResolutionLine("999"));
  const std::string longName(236, 'n');  // 19 + 1 + 236 + 4 = 260 characters
  WriteSettings("B 300DPI #1", ResolutionLine("306"));
  struct Case {
    std::string name;
    std::string outcome;
    std::string out;
  };
  const Case cases[] = {
      {"..\\secret", "203,203,812,1218,-4", ""},
      {"../secret", "203,203,812,1218,-4", ""},
      {"sub\\q", "203,203,812,1218,-4", ""},
      {"C:\\ProgramData\\secret", "203,203,812,1218,-4", ""},
      {"\\\\server\\queue", "203,203,812,1218,-4", ""},
      {longName, "203,203,812,1218,-4", ""},
      {"B 300DPI #1", "306,306,812,1218,306", std::string(kFound) + "306\n"},
  };
  for (const Case& c : cases) {
    InstallLabelQueue(std::wstring(c.name.begin(), c.name.end()));
    auto [outcome, out] = Lookup(c.name);
    EXPECT_EQ(Describe(outcome), c.outcome) << c.name;
    EXPECT_EQ(out, c.out) << c.name;
  }
}

TEST_F(ResolutionLookupTest, NamesAreWidenedByteByByte) {
  InstallLabelQueue(L"\u4F60");            // a queue whose name has a Chinese character
  InstallLabelQueue(L"\u00C4\u00E3");  // the Latin-1 reading of two bytes
  EXPECT_EQ(Describe(Lookup("\xC4\xE3").first), "203,203,812,1218,-4");
  standin::Reset();
  std::filesystem::create_directories(standin::MapPath(std::string(kDir)));
  InstallLabelQueue(L"\u4F60");
  EXPECT_EQ(Describe(Lookup("\xC4\xE3").first), "OpenPrinterFailed");
}

}  // namespace
