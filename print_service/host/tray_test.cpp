// The tray window: what each message does, the icon record, and quitting
// through the menu.
#include "print_service/host/tray.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "standin/control.h"
#include "standin/control_user.h"

namespace {

const UINT kExit = 105;

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    instance_ = GetModuleHandleW(nullptr);
    orvi::CreateTrayWindow(instance_);
    hwnd_ = orvi::g_trayWindow;
    ASSERT_NE(hwnd_, nullptr);
    ASSERT_EQ(orvi::g_moduleInstance, instance_);
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }

  bool Destroyed() const { return !IsWindow(hwnd_); }
  bool QuitPosted() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return msg.wParam == 0;
    }
    return false;
  }
  static std::vector<standin::NotifyIconCall> Deletes() {
    std::vector<standin::NotifyIconCall> out;
    for (const auto& c : standin::NotifyIconCalls()) {
      if (c.message == NIM_DELETE) out.push_back(c);
    }
    return out;
  }

  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
};

TEST_F(TrayTest, WindowIsHiddenAndOfTheTrayClass) {
  auto windows = standin::CreatedWindows();
  ASSERT_EQ(windows.size(), 1u);
  const standin::WindowRecord& w = windows[0];
  EXPECT_EQ(w.className, L"TrayWndClass");
  EXPECT_EQ(w.title, L"");
  EXPECT_EQ(w.exStyle, 0u);
  EXPECT_EQ(w.style, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));  // never WS_VISIBLE
  EXPECT_EQ(w.x, CW_USEDEFAULT);
  EXPECT_EQ(w.y, CW_USEDEFAULT);
  EXPECT_EQ(w.width, 100);
  EXPECT_EQ(w.height, 100);
  EXPECT_EQ(w.parent, nullptr);
  EXPECT_EQ(w.menu, nullptr);
  EXPECT_EQ(w.instance, instance_);
}

TEST_F(TrayTest, AddTrayIconRecord) {
  orvi::AddTrayIcon();
  auto calls = standin::NotifyIconCalls();
  ASSERT_EQ(calls.size(), 1u);
  const standin::NotifyIconCall& c = calls[0];
  EXPECT_EQ(c.message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(c.cbSize, 956u);
  EXPECT_EQ(c.hWnd, hwnd_);
  EXPECT_EQ(c.uID, 1000u);
  EXPECT_EQ(c.uFlags, 7u);
  EXPECT_EQ(c.uCallbackMessage, 0x0400u);
  EXPECT_EQ(standin::IconResourceId(c.hIcon), 107u);
  EXPECT_EQ(c.tip, L"ORVI打印服务");
  EXPECT_TRUE(c.tipTerminated);
  EXPECT_TRUE(c.result);
  ASSERT_EQ(standin::TrayIcons().size(), 1u);
}

TEST_F(TrayTest, IconIsAddedEvenWithoutItsPicture) {
  standin::FailCall("LoadIconW", ERROR_RESOURCE_NAME_NOT_FOUND);
  orvi::AddTrayIcon();
  ASSERT_EQ(standin::NotifyIconCalls().size(), 1u);
  EXPECT_EQ(standin::NotifyIconCalls()[0].hIcon, nullptr);
}

struct MessageCase {
  const char* what;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool destroyed;  // the window is destroyed, so the icon goes and the loop is told to quit
  bool menuShown;
};

TEST_F(TrayTest, MessageTable) {
  const MessageCase cases[] = {
      {"destroy", WM_DESTROY, 0, 0, false, false},
      {"exit command", WM_COMMAND, kExit, 0, true, false},
      {"exit command from an accelerator", WM_COMMAND, MAKEWPARAM(kExit, 1), 0, true, false},
      {"other command", WM_COMMAND, 106, 0, false, false},
      {"exit id in the high word only", WM_COMMAND, MAKEWPARAM(0, kExit), 0, false, false},
      {"left press on the icon", WM_USER, 1000, WM_LBUTTONDOWN, false, true},
      {"left release on the icon", WM_USER, 1000, WM_LBUTTONUP, false, false},
      {"left double click on the icon", WM_USER, 1000, WM_LBUTTONDBLCLK, false, false},
      {"right press on the icon", WM_USER, 1000, WM_RBUTTONDOWN, false, false},
      {"right release on the icon", WM_USER, 1000, WM_RBUTTONUP, false, false},
      {"mouse move over the icon", WM_USER, 1000, WM_MOUSEMOVE, false, false},
      {"left press through another message", WM_USER + 1, 1000, WM_LBUTTONDOWN, false, false},
      {"close", WM_CLOSE, 0, 0, true, false},
      {"nothing", WM_NULL, 0, 0, false, false},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.what);
    standin::Reset();
    orvi::CreateTrayWindow(instance_);
    hwnd_ = orvi::g_trayWindow;
    standin::SetCursorPosition(321, 654);

    LRESULT result = orvi::TrayWndProc(hwnd_, c.message, c.wParam, c.lParam);
    EXPECT_EQ(result, 0);

    auto passed = standin::DefWindowProcMessages();
    EXPECT_TRUE(std::any_of(passed.begin(), passed.end(), [&](const standin::WindowMessage& m) {
      return m.hwnd == hwnd_ && m.message == c.message && m.wParam == c.wParam &&
             m.lParam == c.lParam;
    })) << "not passed on to DefWindowProcW";

    EXPECT_EQ(Destroyed(), c.destroyed);
    bool removesIcon = c.destroyed || c.message == WM_DESTROY;
    auto deletes = Deletes();
    ASSERT_EQ(deletes.size(), removesIcon ? 1u : 0u);
    if (removesIcon) {
      EXPECT_EQ(deletes[0].cbSize, 956u);
      EXPECT_EQ(deletes[0].hWnd, hwnd_);
      EXPECT_EQ(deletes[0].uID, 1000u);
      EXPECT_EQ(deletes[0].uFlags, 0u);
    }
    EXPECT_EQ(QuitPosted(), removesIcon);

    auto menus = standin::ShownMenus();
    ASSERT_EQ(menus.size(), c.menuShown ? 1u : 0u);
    EXPECT_EQ(standin::CallCount("LoadMenuW"), c.menuShown ? 1 : 0);
    if (c.menuShown) {
      EXPECT_EQ(menus[0].owner, hwnd_);
      EXPECT_EQ(menus[0].foregroundAtShow, hwnd_);
      EXPECT_EQ(menus[0].flags, 0u);
      EXPECT_EQ(menus[0].at.x, 321);
      EXPECT_EQ(menus[0].at.y, 654);
      ASSERT_EQ(menus[0].entries.size(), 1u);
      EXPECT_EQ(menus[0].entries[0].text, L"退出(&X)");
      EXPECT_EQ(menus[0].entries[0].id, kExit);
    }
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
}

TEST_F(TrayTest, CreationMessagesKeepTheirDefaultResults) {
  // A procedure that dropped DefWindowProcW's answer to WM_NCCREATE would
  // make the window creation fail.
  EXPECT_EQ(orvi::TrayWndProc(hwnd_, WM_NCCREATE, 0, 0), TRUE);
}

TEST_F(TrayTest, ChoosingExitEndsTheLoopWithZeroAndRemovesTheIcon) {
  orvi::AddTrayIcon();
  standin::ChooseMenuCommand(kExit);
  PostMessageW(hwnd_, WM_USER, 1000, WM_LBUTTONDOWN);
  EXPECT_EQ(orvi::RunMessageLoop(), 0);
  EXPECT_TRUE(Destroyed());
  EXPECT_TRUE(standin::TrayIcons().empty());
  ASSERT_EQ(standin::ShownMenus().size(), 1u);
  EXPECT_EQ(standin::ShownMenus()[0].chosen, kExit);
}

TEST_F(TrayTest, ClickingOutsideTheMenuDoesNothing) {
  orvi::AddTrayIcon();
  orvi::TrayWndProc(hwnd_, WM_USER, 1000, WM_LBUTTONDOWN);
  MSG msg{};
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(Destroyed());
  EXPECT_EQ(standin::TrayIcons().size(), 1u);
}

struct MenuFailure {
  const char* call;
  bool menuTracked;
};

TEST_F(TrayTest, MenuFailuresShowNothingAndLeakNothing) {
  const MenuFailure cases[] = {
      {"GetModuleHandleW", false}, {"LoadMenuW", false}, {"GetSubMenu", false},
      {"GetCursorPos", true},      {"SetForegroundWindow", true}, {"TrackPopupMenu", false},
  };
  for (const MenuFailure& c : cases) {
    SCOPED_TRACE(c.call);
    standin::Reset();
    orvi::CreateTrayWindow(instance_);
    hwnd_ = orvi::g_trayWindow;
    standin::FailCall(c.call, ERROR_INVALID_PARAMETER);
    orvi::TrayWndProc(hwnd_, WM_USER, 1000, WM_LBUTTONDOWN);
    EXPECT_EQ(standin::ShownMenus().size(), c.menuTracked ? 1u : 0u);
    EXPECT_FALSE(Destroyed());
    DestroyWindow(hwnd_);
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
}

TEST_F(TrayTest, BrokenMessageQueueEndsTheLoop) {
  standin::FailCall("GetMessageW", ERROR_INVALID_PARAMETER, 1);
  EXPECT_EQ(orvi::RunMessageLoop(), -1);
}

}  // namespace
