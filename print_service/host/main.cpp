// ORVIPrintService: a hidden tray window and the local HTTP server.
#include <thread>

#include "platform/win32.h"
#include "print_service/api/http_server.h"
#include "print_service/host/tray.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  orvi::CreateTrayWindow(instance);
  orvi::AddTrayIcon();
  // Never joined: the server lives until the process ends.
  std::thread(orvi::RunHttpServer).detach();
  return orvi::RunMessageLoop();
}
