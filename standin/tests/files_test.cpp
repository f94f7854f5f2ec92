// The stand-in's files and device files: directory errors, creation modes,
// reads and writes, handle release, and the one read of a USB device path.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_files.h"

namespace {

const char kDevice[] = "\\\\?\\usb#vid_8888&pid_0026&mi_02#7&1&0&0002#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
  void TearDown() override { EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles(); }
};

TEST_F(FilesTest, CreateDirectoryReportsWindowsErrors) {
  struct Case {
    const char* path;
    BOOL result;
    DWORD error;
  };
  const Case cases[] = {
      {"C:\\ProgramData", TRUE, 0},
      {"C:\\ProgramData", FALSE, ERROR_ALREADY_EXISTS},
      {"C:\\ProgramData\\ORVI\\", TRUE, 0},
      {"C:\\Missing\\ORVI", FALSE, ERROR_PATH_NOT_FOUND},
      {"C:\\ProgramData\\a?b", FALSE, ERROR_INVALID_NAME},
      {"relative", FALSE, ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(CreateDirectoryA(c.path, nullptr), c.result) << c.path;
    if (!c.result) {
      EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(standin::MapPath(std::string("C:\\ProgramData\\ORVI"))));
}

TEST_F(FilesTest, CreateAlwaysReplacesAndOpenExistingReads) {
  ASSERT_TRUE(CreateDirectoryA("C:\\D", nullptr));
  HANDLE h = CreateFileA("C:\\D\\f.bin", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, "abcdef", 6, &written, nullptr));
  EXPECT_EQ(written, 6u);
  EXPECT_TRUE(CloseHandle(h));

  h = CreateFileA("c:\\D\\f.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(WriteFile(h, "xy", 2, &written, nullptr));
  char buffer[8] = {};
  DWORD read = 99;
  EXPECT_FALSE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));  // opened for writing only
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CloseHandle(h));

  h = CreateFileA("C:\\D\\f.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "xy");
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
}

TEST_F(FilesTest, CreateFileFailures) {
  ASSERT_TRUE(CreateDirectoryA("C:\\D", nullptr));
  struct Case {
    const char* path;
    DWORD disposition;
    DWORD error;
  };
  const Case cases[] = {
      {"C:\\D\\missing.bin", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {"C:\\Nowhere\\f.bin", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
      {"C:\\D\\a:b.bin", CREATE_ALWAYS, ERROR_INVALID_NAME},
      {"C:\\D", CREATE_ALWAYS, ERROR_ACCESS_DENIED},
      {"\\\\?\\usb#not-installed", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(CreateFileA(c.path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition, 0, nullptr),
              INVALID_HANDLE_VALUE)
        << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
  standin::FailCall("CreateFileA", ERROR_SHARING_VIOLATION, 1);
  EXPECT_EQ(CreateFileA("C:\\D\\f.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST_F(FilesTest, DeviceGivesItsDataOncePerHandle) {
  std::vector<unsigned char> block(300);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i);
  standin::InstallDeviceFile(kDevice, block);
  std::string upper = kDevice;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  for (int round = 0; round < 2; ++round) {
    HANDLE h = CreateFileA(upper.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    unsigned char buffer[255] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 255u);
    EXPECT_EQ(buffer[254], 254);
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(CloseHandle(h));
  }
  EXPECT_EQ(standin::DeviceOpenCount(kDevice), 2);

  standin::InstallDeviceFile(kDevice, {1, 2, 3});
  HANDLE h = CreateFileA(kDevice, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  unsigned char buffer[255] = {};
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 3u);
  CloseHandle(h);

  standin::FailDeviceOpen(kDevice, ERROR_ACCESS_DENIED);
  EXPECT_EQ(CreateFileA(kDevice, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  standin::RemoveDeviceFile(kDevice);
  EXPECT_EQ(CreateFileA(kDevice, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
