// Windows, classes and message queues behave as Windows documents them.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_user.h"

namespace {

std::vector<UINT> seen;  // messages the test procedure received

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  seen.push_back(msg);
  return DefWindowProcW(hwnd, msg, w, l);
}

LRESULT CALLBACK RefusingProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_NCCREATE ? 0 : 1; }

class UserWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    seen.clear();
  }
  void TearDown() override {
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
  HWND Create(WNDPROC proc = RecordingProc) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = L"TestClass";
    RegisterClassW(&wc);
    return CreateWindowExW(0, L"TestClass", L"t", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }
};

TEST_F(UserWindowsTest, ClassNamesAreUniqueAndRequired) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = L"A";
  EXPECT_NE(RegisterClassW(&wc), 0);
  EXPECT_EQ(RegisterClassW(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  EXPECT_EQ(CreateWindowExW(0, L"B", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(UserWindowsTest, CreationSendsNcCreateAndCreateAndCanBeRefused) {
  HWND w = Create();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
  DestroyWindow(w);
  standin::Reset();
  EXPECT_EQ(Create(RefusingProc), nullptr);
}

TEST_F(UserWindowsTest, DefaultCloseDestroysTheWindow) {
  HWND w = Create();
  seen.clear();
  ASSERT_TRUE(PostMessageW(w, WM_CLOSE, 0, 0));
  MSG msg{};
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  DispatchMessageW(&msg);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(w));
  EXPECT_TRUE(standin::CreatedWindows().at(0).destroyed);
  EXPECT_FALSE(PostMessageW(w, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(UserWindowsTest, QuitComesAfterPostedMessagesWithItsCode) {
  HWND w = Create();
  PostQuitMessage(7);
  PostMessageW(w, WM_USER, 1, 2);
  MSG msg{};
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  DestroyWindow(w);
}

TEST_F(UserWindowsTest, PostFromAnotherThreadWakesTheLoop) {
  HWND w = Create();
  std::thread poster([w] { PostMessageW(w, WM_CLOSE, 0, 0); });
  MSG msg{};
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  poster.join();
  EXPECT_EQ(msg.hwnd, w);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
  DispatchMessageW(&msg);
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(UserWindowsTest, OnlyTheCreatingThreadDestroysAndPendingMessagesGoWithTheWindow) {
  HWND w = Create();
  BOOL fromOther = TRUE;
  DWORD error = 0;
  std::thread([&] {
    fromOther = DestroyWindow(w);
    error = GetLastError();
  }).join();
  EXPECT_FALSE(fromOther);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  PostMessageW(w, WM_USER, 0, 0);
  EXPECT_TRUE(DestroyWindow(w));
  MSG msg{};
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(UserWindowsTest, EveryCallCanFail) {
  standin::FailCall("GetMessageW", ERROR_INVALID_PARAMETER, 1);
  MSG msg{};
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), -1);
  standin::FailCall("CreateWindowExW", ERROR_NOT_ENOUGH_MEMORY, 1);
  EXPECT_EQ(Create(), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

}  // namespace
