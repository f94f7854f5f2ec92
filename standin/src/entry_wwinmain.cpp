// Program entry on this machine for a wWinMain program.
#include "platform/win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);

int main() {
  wchar_t empty[1] = {0};
  return wWinMain(GetModuleHandleW(nullptr), nullptr, empty, 10);
}
