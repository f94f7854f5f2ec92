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
#include <cstdlib>
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

void SendAndDrain(int port, const uint8_t* data, size_t size) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) std::abort();
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::abort();
  size_t sent = 0;
  while (sent < size) {
    const ssize_t n = send(fd, data + sent, size - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the server may refuse early and close
    sent += static_cast<size_t>(n);
  }
  shutdown(fd, SHUT_WR);
  // The server must end every connection well within its 5 s timeouts.
  timeval wait{20, 0};
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
