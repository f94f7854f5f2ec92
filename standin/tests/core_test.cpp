// The stand-in's own machinery: failure plan, handle table, mapped drive.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "standin/control.h"

namespace {

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
};

TEST_F(CoreTest, FailurePlanSkipsThenFailsThenSucceeds) {
  standin::FailCall("GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY, 1, 1);
  HGLOBAL first = GlobalAlloc(GHND, 8);
  ASSERT_NE(first, nullptr);
  SetLastError(0);
  EXPECT_EQ(GlobalAlloc(GHND, 8), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  HGLOBAL third = GlobalAlloc(GHND, 8);
  EXPECT_NE(third, nullptr);
  EXPECT_EQ(standin::CallCount("GlobalAlloc"), 3);
  GlobalFree(first);
  GlobalFree(third);
  EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
}

TEST_F(CoreTest, GlobalBlocksAreZeroedAndLockCounted) {
  HGLOBAL h = GlobalAlloc(GHND, 16);
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_EQ(GlobalUnlock(h), FALSE);  // last lock released
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(standin::OpenHandleCount(standin::HandleKind::GlobalMemory), 1u);
  EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalFree(h), h);  // a second free is refused
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
}

TEST_F(CoreTest, ManualResetEventStaysSignalled) {
  HANDLE e = CreateEventA(nullptr, TRUE, FALSE, "");
  EXPECT_EQ(WaitForSingleObject(e, 10), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(e);
  EXPECT_EQ(WaitForSingleObject(e, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(e, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(CloseHandle(e));
  EXPECT_FALSE(CloseHandle(e));
}

TEST_F(CoreTest, WindowsPathsMapUnderTheDriveRoot) {
  EXPECT_EQ(standin::MapPath(std::string("C:\\ProgramData\\ORVI\\a.ini")),
            standin::DriveRoot() / "C" / "ProgramData" / "ORVI" / "a.ini");
  EXPECT_EQ(standin::MapPath(std::wstring(L"c:/users//Public\\")),
            standin::DriveRoot() / "C" / "users" / "Public");
  EXPECT_TRUE(standin::MapPath(std::string("relative\\x")).empty());
}

}  // namespace
