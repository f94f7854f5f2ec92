// Window classes, windows and each thread's message queue. Window
// procedures are always called without the state lock held, since they call
// back into these functions.
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "standin/control.h"
#include "standin/control_user.h"
#include "standin/user.h"
#include "user_internal.h"

namespace {

struct WindowClass {
  WNDCLASSW wc;
  std::wstring name;
  ATOM atom;
};

struct Window {
  standin::WindowRecord record;
  WNDPROC proc = nullptr;
  std::thread::id owner;
  bool destroying = false;
};

struct Queue {
  std::deque<MSG> posted;
  bool quit = false;
  int quitCode = 0;
};

struct State {
  std::mutex mutex;
  std::condition_variable posted;
  std::map<std::wstring, WindowClass> classes;
  ATOM nextAtom = 0xC000;
  std::map<HWND, Window> windows;  // every window created since Reset
  std::map<std::thread::id, Queue> queues;
  std::vector<standin::WindowMessage> defMessages;
};

State& state() {
  static State* s = new State;  // never destroyed: detached threads may call in at exit
  return *s;
}

void ResetUser() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.classes.clear();
  s.nextAtom = 0xC000;
  s.windows.clear();
  s.queues.clear();
  s.defMessages.clear();
}
const bool registered = standin::RegisterResetHook(&ResetUser);

bool IsAtom(LPCWSTR name) { return reinterpret_cast<ULONG_PTR>(name) < 0x10000; }

const WindowClass* FindClass(State& s, LPCWSTR name) {
  if (name == nullptr) return nullptr;
  for (auto& [key, cls] : s.classes) {
    if (IsAtom(name) ? cls.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name))
                     : key == name) {
      return &cls;
    }
  }
  return nullptr;
}

Window* LiveWindow(State& s, HWND hwnd) {
  auto it = s.windows.find(hwnd);
  if (it == s.windows.end() || it->second.record.destroyed) return nullptr;
  return &it->second;
}

WNDPROC ProcOf(HWND hwnd) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = LiveWindow(s, hwnd);
  return w ? w->proc : nullptr;
}

bool Matches(const MSG& m, HWND hwnd, UINT low, UINT high) {
  if (hwnd != nullptr && m.hwnd != hwnd) return false;
  if (low == 0 && high == 0) return true;
  return m.message >= low && m.message <= high;
}

}  // namespace

ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass) {
  STANDIN_ENTER("RegisterClassW", 0);
  if (lpWndClass == nullptr || lpWndClass->lpszClassName == nullptr ||
      IsAtom(lpWndClass->lpszClassName) || lpWndClass->lpfnWndProc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::wstring name = lpWndClass->lpszClassName;
  if (s.classes.count(name) != 0) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  WindowClass& cls = s.classes[name];
  cls.wc = *lpWndClass;
  cls.name = name;
  cls.wc.lpszClassName = cls.name.c_str();
  cls.atom = s.nextAtom++;
  return cls.atom;
}

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight,
                            HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  STANDIN_ENTER("CreateWindowExW", nullptr);
  HWND hwnd = nullptr;
  WNDPROC proc = nullptr;
  {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const WindowClass* cls = FindClass(s, lpClassName);
    if (cls == nullptr) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if (hWndParent != nullptr && LiveWindow(s, hWndParent) == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    hwnd = static_cast<HWND>(standin::OpenHandle(standin::HandleKind::Window));
    Window& w = s.windows[hwnd];
    w.proc = proc = cls->wc.lpfnWndProc;
    w.owner = std::this_thread::get_id();
    standin::WindowRecord& r = w.record;
    r.hwnd = hwnd;
    r.className = cls->name;
    r.title = lpWindowName ? lpWindowName : L"";
    r.exStyle = dwExStyle;
    r.style = dwStyle;
    r.x = X;
    r.y = Y;
    r.width = nWidth;
    r.height = nHeight;
    r.parent = hWndParent;
    r.menu = hMenu;
    r.instance = hInstance;
    r.param = lpParam;
  }
  // As on Windows: a procedure that refuses WM_NCCREATE (returns 0) or
  // WM_CREATE (returns -1) makes the creation fail.
  if (proc(hwnd, WM_NCCREATE, 0, 0) == 0 || proc(hwnd, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
  STANDIN_ENTER("DestroyWindow", FALSE);
  WNDPROC proc = nullptr;
  {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Window* w = LiveWindow(s, hWnd);
    if (w == nullptr || w->destroying) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (w->owner != std::this_thread::get_id()) {  // only the creating thread may
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    w->destroying = true;
    proc = w->proc;
  }
  proc(hWnd, WM_DESTROY, 0, 0);
  proc(hWnd, WM_NCDESTROY, 0, 0);
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.windows.find(hWnd);
  if (it != s.windows.end()) {
    it->second.record.destroyed = true;
    auto& posted = s.queues[it->second.owner].posted;  // its pending messages go with it
    for (auto m = posted.begin(); m != posted.end();) {
      m = m->hwnd == hWnd ? posted.erase(m) : m + 1;
    }
  }
  standin::CloseHandleOf(hWnd, standin::HandleKind::Window);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
  STANDIN_ENTER("IsWindow", FALSE);
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return LiveWindow(s, hWnd) != nullptr ? TRUE : FALSE;
}

LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  STANDIN_ENTER("DefWindowProcW", 0);
  {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.defMessages.push_back({hWnd, Msg, wParam, lParam});
  }
  switch (Msg) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    default: return 0;
  }
}

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  STANDIN_ENTER("SendMessageW", 0);
  WNDPROC proc = nullptr;
  {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Window* w = LiveWindow(s, hWnd);
    if (w == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (w->owner != std::this_thread::get_id()) {  // cross-thread sending is not modelled
      SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return 0;
    }
    proc = w->proc;
  }
  return proc(hWnd, Msg, wParam, lParam);
}

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  STANDIN_ENTER("PostMessageW", FALSE);
  State& s = state();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    std::thread::id target = std::this_thread::get_id();  // no window: the thread's own queue
    if (hWnd != nullptr) {
      Window* w = LiveWindow(s, hWnd);
      if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
      }
      target = w->owner;
    }
    s.queues[target].posted.push_back(MSG{hWnd, Msg, wParam, lParam, 0, {0, 0}});
  }
  s.posted.notify_all();
  return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
  ::standin::CountCall("PostQuitMessage");
  State& s = state();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    Queue& q = s.queues[std::this_thread::get_id()];
    q.quit = true;
    q.quitCode = nExitCode;
  }
  s.posted.notify_all();
}

namespace {
// Takes the first matching message of the calling thread's queue; the quit
// message comes once nothing else matching is posted.
bool TakeMessage(State& s, LPMSG lpMsg, HWND hWnd, UINT low, UINT high, bool remove) {
  Queue& q = s.queues[std::this_thread::get_id()];
  for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
    if (Matches(*it, hWnd, low, high)) {
      *lpMsg = *it;
      if (remove) q.posted.erase(it);
      return true;
    }
  }
  if (q.quit) {
    if (remove) q.quit = false;
    *lpMsg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, 0, {0, 0}};
    return true;
  }
  return false;
}
}  // namespace

BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  STANDIN_ENTER("GetMessageW", -1);
  State& s = state();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (lpMsg == nullptr || (hWnd != nullptr && LiveWindow(s, hWnd) == nullptr)) {
    SetLastError(lpMsg == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  while (!TakeMessage(s, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) s.posted.wait(lock);
  return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
  STANDIN_ENTER("PeekMessageW", FALSE);
  if (lpMsg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return TakeMessage(s, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0)
             ? TRUE : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*) {
  STANDIN_ENTER("TranslateMessage", FALSE);
  return FALSE;  // no keyboard here: nothing is ever translated
}

LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
  STANDIN_ENTER("DispatchMessageW", 0);
  if (lpMsg == nullptr || lpMsg->hwnd == nullptr) return 0;
  WNDPROC proc = ProcOf(lpMsg->hwnd);
  if (proc == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

namespace standin {

std::vector<WindowRecord> CreatedWindows() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<WindowRecord> out;
  for (auto& [h, w] : s.windows) out.push_back(w.record);
  return out;
}

std::vector<WindowMessage> DefWindowProcMessages() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.defMessages;
}

std::vector<HWND> TopLevelWindows() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<HWND> out;
  for (auto& [h, w] : s.windows) {
    if (!w.record.destroyed && w.record.parent == nullptr) out.push_back(h);
  }
  return out;
}

}  // namespace standin
