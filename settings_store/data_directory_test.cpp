// LocateDataDirectory: the registry fallbacks, the default and its effects
// on the registry and the drive, the traces, and handle release.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "settings_store/settings_store.h"
#include "settings_store/trace.h"
#include "standin/control.h"
#include "standin/control_registry.h"

namespace {

const char kHklm[] = "HKLM\\Software\\ORVI";
const char kHkcu[] = "HKCU\\Software\\ORVI";
const char kDefault[] = "C:\\ProgramData\\ORVI";

std::vector<std::string>& Traces() {
  static std::vector<std::string> lines;
  return lines;
}

void Capture(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Traces().push_back(text);
}

void CaptureWriteTrace(const std::string& text) { Traces().push_back(text); }

const orvi::DataDirectoryTraces kTestTraces = {&Capture, "open %d", "create %d", "hkcu %d", "created %p"};

bool DirectoryExists(const std::string& windowsPath) {
  return std::filesystem::is_directory(standin::MapPath(windowsPath));
}

// "created *" stands for the success trace, whose handle value varies.
void ExpectTraces(const std::vector<std::string>& expected, const std::string& label) {
  ASSERT_EQ(Traces().size(), expected.size()) << label;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected[i] == "created *") {
      EXPECT_EQ(Traces()[i].rfind("created ", 0), 0u) << label;
      EXPECT_GT(Traces()[i].size(), std::string("created ").size()) << label;
    } else {
      EXPECT_EQ(Traces()[i], expected[i]) << label;
    }
  }
}

class DataDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    Traces().clear();
    std::filesystem::create_directories(standin::MapPath(std::string("C:\\ProgramData")));
  }
  void TearDown() override {
    orvi::SetTraceSink(nullptr);
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
};

TEST_F(DataDirectoryTest, FallbacksAndDefault) {
  const std::string v255 = "C:\\" + std::string(252, 'x');
  const std::string v256 = "C:\\" + std::string(253, 'x');
  struct Case {
    const char* label;
    std::function<void()> setup;
    bool found;
    std::string directory;
    std::vector<std::string> traces;
    std::optional<std::string> hklm;  // the HKLM value afterwards (none: no such value)
    std::optional<std::string> hkcu;
    bool defaultCreated;
  };
  const Case cases[] = {
      {"HKLM value", [] { standin::SetRegistryString(kHklm, "Data Directory", "C:\\Data"); }, true, "C:\\Data", {},
       "C:\\Data", std::nullopt, false},
      {"HKLM key without value", [] { standin::CreateRegistryKey(kHklm); }, true, kDefault, {}, kDefault,
       std::nullopt, true},
      {"no key anywhere, HKLM creatable", [] {}, true, kDefault, {"open 2", "created *"}, kDefault, std::nullopt,
       true},
      {"HKLM denied, HKCU value",
       [] {
         standin::DenyRegistryKey("HKLM");
         standin::SetRegistryString(kHkcu, "Data Directory", "C:\\User");
       },
       true, "C:\\User", {"open 5", "create 5"}, std::nullopt, "C:\\User", false},
      {"HKLM read-only with value, HKCU value",
       [] {
         standin::SetRegistryString(kHklm, "Data Directory", "C:\\Machine");
         standin::DenyRegistryKey("HKLM", standin::RegistryDenial::WriteAccess);
         standin::SetRegistryString(kHkcu, "Data Directory", "C:\\User");
       },
       true, "C:\\User", {"open 5", "create 5"}, "C:\\Machine", "C:\\User", false},
      {"HKLM denied, HKCU key without value",
       [] {
         standin::DenyRegistryKey("HKLM");
         standin::CreateRegistryKey(kHkcu);
       },
       true, kDefault, {"open 5", "create 5"}, std::nullopt, kDefault, true},
      {"HKLM denied, HKCU missing", [] { standin::DenyRegistryKey("HKLM"); }, false, "",
       {"open 5", "create 5", "hkcu 2"}, std::nullopt, std::nullopt, false},
      {"255 characters", [v255] { standin::SetRegistryString(kHklm, "Data Directory", v255); }, true, v255, {},
       v255, std::nullopt, false},
      {"256 characters", [v256] { standin::SetRegistryString(kHklm, "Data Directory", v256); }, true, kDefault, {},
       kDefault, std::nullopt, true},
      {"256 bytes without a terminating zero",
       [] {
         standin::RegistryValue raw;
         raw.type = REG_SZ;
         raw.data.assign(256, 'x');
         standin::SetRegistryValue(kHklm, "Data Directory", raw);
       },
       true, kDefault, {}, kDefault, std::nullopt, true},
      {"query refused",
       [] {
         standin::SetRegistryString(kHklm, "Data Directory", "C:\\Data");
         standin::FailCall("RegQueryValueExA", ERROR_ACCESS_DENIED);
       },
       true, kDefault, {}, kDefault, std::nullopt, true},
      {"HKLM open fails, create opens the existing key",
       [] {
         standin::SetRegistryString(kHklm, "Data Directory", "C:\\Data");
         standin::FailCall("RegOpenKeyExA", ERROR_ACCESS_DENIED);
       },
       true, "C:\\Data", {"open 5", "created *"}, "C:\\Data", std::nullopt, false},
      {"HKLM open and create fail", [] {
         standin::FailCall("RegOpenKeyExA", ERROR_ACCESS_DENIED, 1);
         standin::FailCall("RegCreateKeyExA", ERROR_ACCESS_DENIED);
         standin::SetRegistryString(kHkcu, "Data Directory", "C:\\User");
       },
       true, "C:\\User", {"open 5", "create 5"}, std::nullopt, "C:\\User", false},
      {"set value fails: the directory is still created",
       [] {
         standin::CreateRegistryKey(kHklm);
         standin::FailCall("RegSetValueExA", ERROR_ACCESS_DENIED);
       },
       true, kDefault, {}, std::nullopt, std::nullopt, true},
  };
  for (const Case& c : cases) {
    SetUp();
    c.setup();
    char buffer[orvi::kPathBufferSize];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(LocateDataDirectory(buffer, kTestTraces), c.found) << c.label;
    EXPECT_EQ(std::string(buffer), c.directory) << c.label;
    ExpectTraces(c.traces, c.label);
    EXPECT_EQ(standin::GetRegistryString(kHklm, "Data Directory"), c.hklm) << c.label;
    EXPECT_EQ(standin::GetRegistryString(kHkcu, "Data Directory"), c.hkcu) << c.label;
    EXPECT_EQ(DirectoryExists(kDefault), c.defaultCreated) << c.label;
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << c.label << ": " << standin::DescribeOpenHandles();
  }
}

TEST_F(DataDirectoryTest, NoKeyIsCreatedUnderTheCurrentUser) {
  standin::DenyRegistryKey("HKLM");
  char buffer[orvi::kPathBufferSize];
  EXPECT_FALSE(LocateDataDirectory(buffer, kTestTraces));
  EXPECT_FALSE(standin::RegistryKeyExists(kHkcu));
  EXPECT_FALSE(standin::RegistryKeyExists(kHklm));
  EXPECT_EQ(standin::CallCount("RegQueryValueExA"), 0);
}

TEST_F(DataDirectoryTest, WriterTextsGoToWriteTrace) {
  orvi::SetTraceSink(&CaptureWriteTrace);
  standin::DenyRegistryKey("HKLM");
  char buffer[orvi::kPathBufferSize];
  EXPECT_FALSE(LocateDataDirectory(buffer, orvi::kWriterTraces));
  ExpectTraces({"SavePrinterData: RegOpenKeyEx failed, error=5\r\n",
                "SavePrinterData: RegCreateKeyEx also failed, error=5\r\n",
                "SavePrinterData: Fallback to HKCU failed, error=2\r\n"},
               "writer");
}

TEST_F(DataDirectoryTest, ExistingDirectoryIsKeptWhenTheDefaultIsWritten) {
  standin::CreateRegistryKey(kHklm);
  ASSERT_TRUE(CreateDirectoryA(kDefault, nullptr));
  char buffer[orvi::kPathBufferSize];
  EXPECT_TRUE(LocateDataDirectory(buffer, kTestTraces));
  EXPECT_STREQ(buffer, kDefault);
  EXPECT_EQ(standin::GetRegistryValue(kHklm, "Data Directory")->data.size(), sizeof kDefault);
}

}  // namespace
