#include "support/raw_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace test_support {

std::string RawExchange(int port, const std::string& request, int timeout_ms) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return {};
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    ::close(fd);
    return {};
  }
  size_t sent = 0;
  while (sent < request.size()) {
    ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  std::string out;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  char buf[65536];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
    ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return out;
}

RawResponse ParseRaw(const std::string& raw) {
  RawResponse r;
  size_t line_end = raw.find("\r\n");
  size_t head_end = raw.find("\r\n\r\n");
  if (line_end == std::string::npos || head_end == std::string::npos) {
    r.statusLine = raw;
    return r;
  }
  r.statusLine = raw.substr(0, line_end);
  r.headers = raw.substr(line_end + 2, head_end + 2 - (line_end + 2));
  r.body = raw.substr(head_end + 4);
  return r;
}

}  // namespace test_support

namespace test_support {

RawConnection::RawConnection(int port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd_ < 0) return;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

RawConnection::~RawConnection() {
  if (fd_ >= 0) ::close(fd_);
}

bool RawConnection::Send(const std::string& bytes) {
  size_t sent = 0;
  while (fd_ >= 0 && sent < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return fd_ >= 0;
}

bool RawConnection::Fill(int timeout_ms) {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, timeout_ms) <= 0) return false;
  char buf[65536];
  ssize_t n = ::recv(fd_, buf, sizeof(buf), 0);
  if (n <= 0) return false;
  buffer_.append(buf, static_cast<size_t>(n));
  return true;
}

std::string RawConnection::ReadResponse(int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  auto left = [&] {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                deadline - std::chrono::steady_clock::now()).count());
  };
  size_t head_end;
  while ((head_end = buffer_.find("\r\n\r\n")) == std::string::npos) {
    if (left() <= 0 || !Fill(left())) return {};
  }
  size_t length = 0;
  std::string head = buffer_.substr(0, head_end);
  size_t at = head.find("\r\nContent-Length: ");
  if (at != std::string::npos) length = std::stoul(head.substr(at + 18));
  size_t total = head_end + 4 + length;
  while (buffer_.size() < total) {
    if (left() <= 0 || !Fill(left())) return {};
  }
  std::string out = buffer_.substr(0, total);
  buffer_.erase(0, total);
  return out;
}

bool RawConnection::ClosedByServer(int timeout_ms) {
  if (fd_ < 0 || !buffer_.empty()) return false;
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, timeout_ms) <= 0) return false;
  char byte;
  ssize_t n = ::recv(fd_, &byte, 1, 0);
  return n == 0 || (n < 0 && errno == ECONNRESET);  // a reset also ends it
}

bool CanConnect(const std::string& address, int port) {
  bool v6 = address.find(':') != std::string::npos;
  int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  int rc = -1;
  if (v6) {
    sockaddr_in6 addr{};
    addr.sin6_family = AF_INET6;
    addr.sin6_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET6, address.c_str(), &addr.sin6_addr) == 1) {
      rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    }
  } else {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) == 1) {
      rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    }
  }
  ::close(fd);
  return rc == 0;
}

}  // namespace test_support
