// Resources from a resource script, menus, the popup menu and the
// notification area.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_user.h"

namespace {

// Ids of their own: resources stay registered for the whole process.
const char kDefines[] = "#pragma once\n#define IDR_TEST 901 // menu\n#define IDC_B 12\n";
const char kScript[] = R"rc(// test script
#pragma code_page(65001)
#include "ids.h"
LANGUAGE 4, 2
902 ICON "x.ico"
IDR_TEST MENU
BEGIN
    POPUP "文件(&F)"
    BEGIN
        MENUITEM "甲", 11
        MENUITEM SEPARATOR
        MENUITEM "B ""quoted""", IDC_B, GRAYED
        POPUP "More"
        {
            MENUITEM "C", 13
        }
    END
    MENUITEM "Top", 14
END
1 24 "app.manifest"
903 RCDATA
BEGIN
    "skipped"
END
)rc";

const bool loaded = standin::RegisterResourceScript(kDefines, kScript);

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

class UserMenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    ASSERT_TRUE(loaded);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = L"MenuOwner";
    RegisterClassW(&wc);
    owner_ = CreateWindowExW(0, L"MenuOwner", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    image_ = GetModuleHandleW(nullptr);
  }
  void TearDown() override {
    DestroyWindow(owner_);
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
  HWND owner_ = nullptr;
  HINSTANCE image_ = nullptr;
};

TEST_F(UserMenusTest, ScriptGivesTheMenuTree) {
  auto menu = standin::MenuResource(901);
  ASSERT_EQ(menu.size(), 2u);
  EXPECT_EQ(menu[0].text, L"文件(&F)");
  ASSERT_EQ(menu[0].popup.size(), 4u);
  EXPECT_EQ(menu[0].popup[0].text, L"甲");
  EXPECT_EQ(menu[0].popup[0].id, 11u);
  EXPECT_EQ(menu[0].popup[1].text, L"");  // separator
  EXPECT_EQ(menu[0].popup[2].text, L"B \"quoted\"");
  EXPECT_EQ(menu[0].popup[2].id, 12u);
  ASSERT_EQ(menu[0].popup[3].popup.size(), 1u);
  EXPECT_EQ(menu[0].popup[3].popup[0].id, 13u);
  EXPECT_EQ(menu[1].id, 14u);
  EXPECT_TRUE(standin::MenuResource(903).empty());
}

TEST_F(UserMenusTest, LoadedMenuAndItsPopupsAreReleasedTogether) {
  HMENU m = LoadMenuW(image_, MAKEINTRESOURCEW(901));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(standin::OpenHandleCount(standin::HandleKind::Menu), 3u);
  HMENU popup = GetSubMenu(m, 0);
  EXPECT_NE(popup, nullptr);
  EXPECT_EQ(GetSubMenu(m, 1), nullptr);  // a command, not a pop-up
  EXPECT_EQ(GetSubMenu(m, 2), nullptr);
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_FALSE(DestroyMenu(popup));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
}

TEST_F(UserMenusTest, MissingResourcesFail) {
  EXPECT_EQ(LoadMenuW(image_, MAKEINTRESOURCEW(999)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(901)), nullptr);
  EXPECT_EQ(LoadIconW(image_, MAKEINTRESOURCEW(901)), nullptr);
  HICON icon = LoadIconW(image_, MAKEINTRESOURCEW(902));
  EXPECT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconW(image_, MAKEINTRESOURCEW(902)), icon);  // shared, never released
  EXPECT_EQ(standin::IconResourceId(icon), 902u);
}

TEST_F(UserMenusTest, ChosenCommandArrivesLaterAsWmCommand) {
  HMENU m = LoadMenuW(image_, MAKEINTRESOURCEW(901));
  standin::SetCursorPosition(5, 6);
  POINT p{};
  ASSERT_TRUE(GetCursorPos(&p));
  SetForegroundWindow(owner_);
  standin::ChooseMenuCommand(13);
  EXPECT_TRUE(TrackPopupMenu(GetSubMenu(m, 0), 0, p.x, p.y, 0, owner_, nullptr));
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(msg.wParam, 13u);
  auto shown = standin::ShownMenus();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].at.x, 5);
  EXPECT_EQ(shown[0].at.y, 6);
  EXPECT_EQ(shown[0].foregroundAtShow, owner_);
  EXPECT_EQ(shown[0].entries.size(), 4u);
  EXPECT_EQ(shown[0].chosen, 13u);
  // The choice is used once; a command not in the menu is no choice.
  EXPECT_TRUE(TrackPopupMenu(GetSubMenu(m, 0), 0, 0, 0, 0, owner_, nullptr));
  standin::ChooseMenuCommand(14);
  EXPECT_EQ(TrackPopupMenu(GetSubMenu(m, 0), TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0);
  standin::ChooseMenuCommand(11);
  EXPECT_EQ(TrackPopupMenu(GetSubMenu(m, 0), TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 11);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  DestroyMenu(m);
}

NOTIFYICONDATAW Icon(HWND w, UINT id, DWORD cb = 956) {
  NOTIFYICONDATAW d{};
  d.cbSize = cb;
  d.hWnd = w;
  d.uID = id;
  d.uFlags = NIF_TIP;
  for (int i = 0; i < 128; ++i) d.szTip[i] = L'x';
  return d;
}

TEST_F(UserMenusTest, NotificationAreaKeysIconsByWindowAndId) {
  NOTIFYICONDATAW a = Icon(owner_, 1);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &a));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &a));
  NOTIFYICONDATAW b = Icon(owner_, 2, 955);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &b));  // not a size Windows knows
  NOTIFYICONDATAW c = Icon(nullptr, 3);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &c));
  EXPECT_EQ(standin::TrayIcons().size(), 1u);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &a));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &a));
  EXPECT_TRUE(standin::TrayIcons().empty());
  auto calls = standin::NotifyIconCalls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_FALSE(calls[0].tipTerminated);  // 128 units without a terminator
  EXPECT_EQ(calls[0].tip.size(), 128u);
}

}  // namespace
