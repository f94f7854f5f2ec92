// SIGINT and SIGTERM become WM_CLOSE to the top-level windows, so a program
// run from a terminal quits through its own window handling. The handler
// only writes to a pipe; a watcher thread does the posting.
#include <csignal>
#include <thread>
#include <unistd.h>

#include "standin/control_user.h"
#include "standin/user.h"
#include "user_internal.h"

namespace {

int signal_pipe[2] = {-1, -1};

void OnSignal(int sig) {
  unsigned char byte = static_cast<unsigned char>(sig);
  ssize_t ignored = write(signal_pipe[1], &byte, 1);
  (void)ignored;
}

void EndByDefault(int sig) {
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void WatchSignals() {
  unsigned char byte = 0;
  while (read(signal_pipe[0], &byte, 1) == 1) {
    std::vector<HWND> windows = standin::TopLevelWindows();
    if (windows.empty()) EndByDefault(byte);
    for (HWND w : windows) PostMessageW(w, WM_CLOSE, 0, 0);
  }
}

}  // namespace

namespace standin {

void CloseWindowsOnTerminationSignals() {
  if (signal_pipe[0] != -1 || pipe(signal_pipe) != 0) return;
  std::thread(WatchSignals).detach();
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace standin
