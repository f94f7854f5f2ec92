// The notification area: icons keyed by window and id, and a record of
// every Shell_NotifyIconW call.
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "standin/control.h"
#include "standin/control_user.h"
#include "standin/shell.h"
#include "standin/user.h"

namespace {

struct Tray {
  std::mutex mutex;
  std::vector<standin::NotifyIconCall> calls;
  std::vector<standin::TrayIcon> icons;
};
Tray& tray() {
  static Tray* t = new Tray;
  return *t;
}

void ResetTray() {
  Tray& t = tray();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.calls.clear();
  t.icons.clear();
}
const bool registered = standin::RegisterResetHook(&ResetTray);

// The sizes Windows documents for the versions of the structure.
bool KnownSize(DWORD cb) { return cb == 88 || cb == 488 || cb == 504 || cb == 508 || cb == 956; }

std::string Utf8(const std::wstring& w) {
  std::string out;
  for (wchar_t ch : w) {
    auto c = static_cast<uint32_t>(ch);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Lets a test that runs the program as a child see the tray from outside.
void Log(const standin::NotifyIconCall& c) {
  const char* path = std::getenv("STANDIN_SHELL_LOG");
  if (path == nullptr || *path == '\0') return;
  if (FILE* f = std::fopen(path, "a")) {
    const char* what = c.message == NIM_ADD ? "NIM_ADD" : c.message == NIM_DELETE ? "NIM_DELETE" : "NIM_OTHER";
    std::fprintf(f, "%s result=%d cbSize=%u uID=%u uFlags=%u uCallbackMessage=%u icon=%u tip=%s\n",
                 what, c.result, c.cbSize, c.uID, c.uFlags, c.uCallbackMessage,
                 standin::IconResourceId(c.hIcon), Utf8(c.tip).c_str());
    std::fclose(f);
  }
}

}  // namespace

BOOL WINAPI Shell_NotifyIconW(DWORD dwMessage, PNOTIFYICONDATAW lpData) {
  STANDIN_ENTER("Shell_NotifyIconW", FALSE);
  if (lpData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  standin::NotifyIconCall call;
  call.message = dwMessage;
  call.cbSize = lpData->cbSize;
  call.hWnd = lpData->hWnd;
  call.uID = lpData->uID;
  call.uFlags = lpData->uFlags;
  call.uCallbackMessage = lpData->uCallbackMessage;
  call.hIcon = lpData->hIcon;
  size_t n = 0;
  while (n < 128 && lpData->szTip[n] != 0) ++n;
  call.tip.assign(lpData->szTip, n);
  call.tipTerminated = n < 128;

  BOOL ok = KnownSize(lpData->cbSize) && (dwMessage != NIM_ADD || IsWindow(lpData->hWnd));
  Tray& t = tray();
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.icons.begin();
    while (it != t.icons.end() && !(it->hWnd == call.hWnd && it->uID == call.uID)) ++it;
    if (ok && dwMessage == NIM_ADD && it == t.icons.end()) {
      t.icons.push_back({call.hWnd, call.uID, (call.uFlags & NIF_ICON) ? call.hIcon : nullptr,
                         (call.uFlags & NIF_TIP) ? call.tip : std::wstring()});
    } else if (ok && dwMessage == NIM_DELETE && it != t.icons.end()) {
      t.icons.erase(it);
    } else if (!(ok && dwMessage == NIM_MODIFY && it != t.icons.end())) {
      ok = FALSE;
    }
    call.result = ok;
    t.calls.push_back(call);
  }
  Log(call);
  if (!ok) SetLastError(ERROR_INVALID_PARAMETER);
  return ok;
}

namespace standin {

std::vector<NotifyIconCall> NotifyIconCalls() {
  Tray& t = tray();
  std::lock_guard<std::mutex> lock(t.mutex);
  return t.calls;
}

std::vector<TrayIcon> TrayIcons() {
  Tray& t = tray();
  std::lock_guard<std::mutex> lock(t.mutex);
  return t.icons;
}

}  // namespace standin
