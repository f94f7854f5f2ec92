// Fuzzes the HTTP side of the print service: each input is sent as raw
// bytes to a server that carries the whole route table, then the sending
// side is closed and the connection is read until the server ends it, so
// every input is parsed, routed and handled before the next one starts.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "print_service/api/http_server.h"
#include "standin/control.h"
#include "standin/control_demo.h"
#include "standin/control_spooler.h"

namespace {

int StartServer() {
  standin::Reset();
  standin::InstallQueuesFromList("ORVI@306;Q52 Label Printer@203;Office@600+network");
  standin::SetJobLimit(4);  // the record of printed jobs would otherwise grow with every input
  auto* server = new httplib::Server;  // lives until the process ends, as its thread does
  orvi::SetUpServer(*server);
  const int port = server->bind_to_any_port("127.0.0.1");
  if (port <= 0) std::abort();
  std::thread([server] { server->listen_after_bind(); }).detach();
  while (!server->is_running()) std::this_thread::yield();
  return port;
}

// libFuzzer's time-out check interrupts the main thread with a signal every
// few seconds, so any of the calls below can fail with EINTR. Each is then
// made again: a receive that gave up early would let the next input start
// while the server still handles this one.
int Connect(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (;;) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) std::abort();
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    const int error = errno;
    close(fd);
    if (error != EINTR) {
      std::fprintf(stderr, "connect: %s\n", std::strerror(error));
      std::abort();
    }
  }
}

void SendAndDrain(int port, const uint8_t* data, size_t size) {
  const int fd = Connect(port);
  size_t sent = 0;
  while (sent < size) {
    const ssize_t n = send(fd, data + sent, size - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the server may refuse early and close
    sent += static_cast<size_t>(n);
  }
  shutdown(fd, SHUT_WR);
  // The server must end every connection once its 5 s timeouts have run
  // out and the request is handled. A few bytes of BMP header can stand for
  // a picture of 15000 x 15000 dots, which the print job then decodes and
  // draws for many seconds under the sanitizers: the limit leaves room.
  timeval wait{120, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  char buffer[4096];
  ssize_t n;
  do {
    n = recv(fd, buffer, sizeof buffer, 0);
  } while (n > 0 || (n < 0 && errno == EINTR));
  // A reset is a normal end (the server closed with bytes unread); a time-out
  // means the server kept the connection past every limit it has.
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) std::abort();
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int port = StartServer();
  SendAndDrain(port, data, size);
  return 0;
}
