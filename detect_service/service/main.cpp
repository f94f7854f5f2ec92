#include "detect_service/service/service_host.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MyMain();
  return 0;
}
