// Menus loaded from resources, the popup menu the user sees, the cursor and
// the foreground window. A popup is modal on Windows; here it opens and
// closes at once with the command a test chose in advance.
#include <map>
#include <mutex>

#include "standin/control.h"
#include "standin/control_user.h"
#include "standin/user.h"
#include "user_internal.h"

namespace {

struct Item {
  std::wstring text;
  UINT id = 0;
  HMENU popup = nullptr;  // owned by the menu holding it
};

struct Input {
  std::mutex mutex;
  std::map<HMENU, std::vector<Item>> menus;
  POINT cursor{0, 0};
  UINT pendingChoice = 0;
  HWND foreground = nullptr;
  std::vector<standin::ShownMenu> shown;
};
Input& input() {
  static Input* s = new Input;
  return *s;
}

void ResetInput() {
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.menus.clear();
  s.cursor = POINT{0, 0};
  s.pendingChoice = 0;
  s.foreground = nullptr;
  s.shown.clear();
}
const bool registered = standin::RegisterResetHook(&ResetInput);

HMENU Build(Input& s, const std::vector<standin::MenuEntry>& entries) {
  HMENU h = static_cast<HMENU>(standin::OpenHandle(standin::HandleKind::Menu));
  std::vector<Item> items;
  for (const auto& e : entries) {
    items.push_back({e.text, e.id, e.popup.empty() ? nullptr : Build(s, e.popup)});
  }
  s.menus[h] = items;
  return h;
}

void Destroy(Input& s, HMENU h) {
  auto it = s.menus.find(h);
  if (it == s.menus.end()) return;
  std::vector<Item> items = it->second;
  s.menus.erase(it);
  standin::CloseHandleOf(h, standin::HandleKind::Menu);
  for (const Item& i : items) {
    if (i.popup) Destroy(s, i.popup);
  }
}

std::vector<standin::MenuEntry> Snapshot(Input& s, HMENU h) {
  std::vector<standin::MenuEntry> out;
  for (const Item& i : s.menus[h]) {
    standin::MenuEntry e;
    e.text = i.text;
    e.id = i.id;
    if (i.popup) e.popup = Snapshot(s, i.popup);
    out.push_back(e);
  }
  return out;
}

bool HasCommand(const std::vector<standin::MenuEntry>& entries, UINT id) {
  for (const auto& e : entries) {
    if ((e.popup.empty() && e.id == id) || HasCommand(e.popup, id)) return true;
  }
  return false;
}

}  // namespace

HMENU WINAPI LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName) {
  STANDIN_ENTER("LoadMenuW", nullptr);
  if (!standin::IsProcessImage(hInstance)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  auto id = reinterpret_cast<ULONG_PTR>(lpMenuName);
  std::vector<standin::MenuEntry> entries =
      id < 0x10000 ? standin::MenuResource(static_cast<UINT>(id)) : std::vector<standin::MenuEntry>{};
  if (entries.empty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  return Build(s, entries);
}

HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos) {
  STANDIN_ENTER("GetSubMenu", nullptr);
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.menus.find(hMenu);
  if (it == s.menus.end()) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return nullptr;
  }
  if (nPos < 0 || static_cast<size_t>(nPos) >= it->second.size()) return nullptr;
  return it->second[static_cast<size_t>(nPos)].popup;
}

BOOL WINAPI DestroyMenu(HMENU hMenu) {
  STANDIN_ENTER("DestroyMenu", FALSE);
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.menus.count(hMenu) == 0) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  for (auto& [h, items] : s.menus) {  // a destroyed pop-up leaves its parent
    for (Item& i : items) {
      if (i.popup == hMenu) i.popup = nullptr;
    }
  }
  Destroy(s, hMenu);
  return TRUE;
}

BOOL WINAPI TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int, HWND hWnd, const RECT*) {
  STANDIN_ENTER("TrackPopupMenu", FALSE);
  if (!IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  UINT chosen = 0;
  {
    Input& s = input();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.menus.count(hMenu) == 0) {
      SetLastError(ERROR_INVALID_MENU_HANDLE);
      return FALSE;
    }
    standin::ShownMenu shown;
    shown.owner = hWnd;
    shown.foregroundAtShow = s.foreground;
    shown.flags = uFlags;
    shown.at = POINT{x, y};
    shown.entries = Snapshot(s, hMenu);
    if (HasCommand(shown.entries, s.pendingChoice)) chosen = s.pendingChoice;
    s.pendingChoice = 0;
    shown.chosen = chosen;
    s.shown.push_back(shown);
  }
  if (uFlags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  // The chosen command reaches the owner later, through its message queue.
  if (chosen != 0) PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
  return TRUE;
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
  STANDIN_ENTER("GetCursorPos", FALSE);
  if (lpPoint == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  *lpPoint = s.cursor;
  return TRUE;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
  STANDIN_ENTER("SetForegroundWindow", FALSE);
  if (!IsWindow(hWnd)) return FALSE;
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.foreground = hWnd;
  return TRUE;
}

namespace standin {

void SetCursorPosition(LONG x, LONG y) {
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.cursor = POINT{x, y};
}

void ChooseMenuCommand(UINT id) {
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.pendingChoice = id;
}

std::vector<ShownMenu> ShownMenus() {
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.shown;
}

HWND ForegroundWindow() {
  Input& s = input();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.foreground;
}

}  // namespace standin
