#include "print_service/host/tray.h"

#include <cwchar>

#include "print_service/resources/resource_ids.h"

namespace orvi {

#ifdef _WIN32
static_assert(sizeof(NOTIFYICONDATAW) == kNotifyIconDataSize,
              "the SDK's NOTIFYICONDATAW is not the Vista-and-later layout");
#endif

HWND g_trayWindow = nullptr;
HINSTANCE g_moduleInstance = nullptr;

namespace {

NOTIFYICONDATAW IconRecord() {
  NOTIFYICONDATAW data{};
  data.cbSize = kNotifyIconDataSize;
  data.hWnd = g_trayWindow;
  data.uID = kTrayIconId;
  return data;
}

void ShowTrayMenu(HWND hwnd) {
  HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
  if (menu == nullptr) return;
  HMENU popup = GetSubMenu(menu, 0);
  if (popup != nullptr) {
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    // With our window in the foreground, a click outside the menu closes it.
    SetForegroundWindow(hwnd);
    TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, hwnd, nullptr);
  }
  DestroyMenu(menu);
}

}  // namespace

void AddTrayIcon() {
  NOTIFYICONDATAW data = IconRecord();
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = LoadIconW(g_moduleInstance, MAKEINTRESOURCEW(IDI_TRAY_ICON));
  const size_t tipUnits = sizeof(data.szTip) / sizeof(data.szTip[0]);
  std::wcsncpy(data.szTip, kTrayTip, tipUnits - 1);
  Shell_NotifyIconW(NIM_ADD, &data);
}

void DeleteTrayIcon() {
  NOTIFYICONDATAW data = IconRecord();
  Shell_NotifyIconW(NIM_DELETE, &data);
}

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      DeleteTrayIcon();
      PostQuitMessage(0);
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_EXIT) DestroyWindow(hwnd);
      break;
    case kTrayCallbackMessage:
      if (lParam == WM_LBUTTONDOWN) ShowTrayMenu(hwnd);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void CreateTrayWindow(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TrayWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = kTrayWindowClass;
  RegisterClassW(&wc);
  g_trayWindow = CreateWindowExW(0, kTrayWindowClass, nullptr, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
  g_moduleInstance = instance;
}

int RunMessageLoop() {
  MSG msg{};
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return -1;  // a broken queue would otherwise spin here for ever
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace orvi
