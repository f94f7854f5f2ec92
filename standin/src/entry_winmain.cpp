// Program entry on this machine for a WinMain program.
#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

int main() {
  char empty[1] = {0};
  return WinMain(GetModuleHandleW(nullptr), nullptr, empty, 10);
}
