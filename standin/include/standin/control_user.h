// Test control of the user-interface and notification-area stand-in: the
// program's resources, the user's choices, and records of what the program
// did on screen.
#pragma once

#include <string>
#include <vector>

#include "standin/base.h"

namespace standin {

// Resources of the process image, from a resource script: "#define NAME
// number" lines (for example an included header) and the .rc text, whose
// ICON and MENU statements are read (UTF-8, numbers or defined names).
// Resources belong to the program, not the machine: Reset keeps them.
bool RegisterResourceScript(const std::string& defines, const std::string& script);

struct MenuEntry {
  std::wstring text;
  UINT id = 0;                     // command identifier; 0 for a pop-up
  std::vector<MenuEntry> popup;    // entries of a pop-up
};
// The menu resource `id` as registered; empty when there is none.
std::vector<MenuEntry> MenuResource(UINT id);
// The icon resource id behind an icon handle from LoadIconW; 0 if none.
UINT IconResourceId(HICON icon);

// The user's side. The cursor position GetCursorPos reports.
void SetCursorPosition(LONG x, LONG y);
// The command the user picks in the next popup menu shown (0: the user
// clicks outside it and nothing is chosen). Used once.
void ChooseMenuCommand(UINT id);

struct WindowRecord {
  HWND hwnd = nullptr;
  std::wstring className;
  std::wstring title;
  DWORD exStyle = 0;
  DWORD style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
  HMENU menu = nullptr;
  HINSTANCE instance = nullptr;
  LPVOID param = nullptr;
  bool destroyed = false;
};
std::vector<WindowRecord> CreatedWindows();

struct ShownMenu {
  HWND owner = nullptr;
  HWND foregroundAtShow = nullptr;  // foreground window when it opened
  UINT flags = 0;
  POINT at{0, 0};
  std::vector<MenuEntry> entries;
  UINT chosen = 0;
};
std::vector<ShownMenu> ShownMenus();
HWND ForegroundWindow();

struct WindowMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
// Every message DefWindowProcW received, in order.
std::vector<WindowMessage> DefWindowProcMessages();

struct NotifyIconCall {
  DWORD message = 0;  // NIM_ADD, NIM_DELETE, ...
  DWORD cbSize = 0;
  HWND hWnd = nullptr;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = nullptr;
  std::wstring tip;  // up to the first zero unit of szTip
  bool tipTerminated = false;  // szTip held a zero unit
  BOOL result = FALSE;
};
std::vector<NotifyIconCall> NotifyIconCalls();
struct TrayIcon {
  HWND hWnd;
  UINT uID;
  HICON hIcon;
  std::wstring tip;
};
// Icons now in the notification area.
std::vector<TrayIcon> TrayIcons();

// The process's termination signals (SIGINT, SIGTERM) become WM_CLOSE to
// every top-level window, as a session closing its windows; without a
// window the signal ends the process as it would by default. Called by the
// program entry on this machine. When STANDIN_SHELL_LOG names a file,
// notification-area changes are appended to it, one line each.
void CloseWindowsOnTerminationSignals();

}  // namespace standin
