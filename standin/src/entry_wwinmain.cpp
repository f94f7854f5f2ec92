// Program entry on this machine for a wWinMain program.
#include "platform/win32.h"
#include "standin/control_user.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);

int main() {
  // Ctrl-C or a kill from a terminal closes the program's windows, which is
  // how a window program is asked to quit.
  standin::CloseWindowsOnTerminationSignals();
  wchar_t empty[1] = {0};
  return wWinMain(GetModuleHandleW(nullptr), nullptr, empty, 10);
}
