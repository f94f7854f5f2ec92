// The hidden tray window, its notification-area icon and its menu.
#pragma once

#include "platform/win32.h"

namespace orvi {

// The size of NOTIFYICONDATAW as Windows Vista and later define it.
constexpr DWORD kNotifyIconDataSize = 956;
constexpr UINT kTrayIconId = 1000;
constexpr UINT kTrayCallbackMessage = WM_USER;
constexpr const wchar_t* kTrayWindowClass = L"TrayWndClass";
constexpr const wchar_t* kTrayTip = L"ORVI打印服务";

// Written once by the entry function before the server thread starts.
extern HWND g_trayWindow;
extern HINSTANCE g_moduleInstance;

void AddTrayIcon();
void DeleteTrayIcon();
LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class and creates the hidden window (never shown); sets
// g_trayWindow and g_moduleInstance.
void CreateTrayWindow(HINSTANCE instance);

// Runs the thread's message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

}  // namespace orvi
