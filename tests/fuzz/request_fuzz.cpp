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
#include <chrono>
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

// Thousands of connections a second run through the loopback's ports and
// the sockets each closed connection leaves in TIME_WAIT, so a connect can
// fail now and then on the client's side. Only a server that stays
// unreachable for seconds is a finding.
int Connect(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (int attempt = 0; attempt < 50; ++attempt) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) std::abort();
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    std::fprintf(stderr, "connect: %s; trying again\n", std::strerror(errno));
    close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::abort();
}

void SendAndDrain(int port, const uint8_t* data, size_t size) {
  const int fd = Connect(port);
  size_t sent = 0;
  while (sent < size) {
    const ssize_t n = send(fd, data + sent, size - sent, MSG_NOSIGNAL);
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
  while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
  }
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
