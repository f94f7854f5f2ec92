// A raw HTTP exchange over a loopback socket, for byte-exact assertions.
#pragma once

#include <string>

namespace test_support {

// Sends `request` as it stands to 127.0.0.1:port and returns every byte the
// server sent until it closed the connection or `timeout_ms` passed.
// Requests should carry "Connection: close" to end promptly.
std::string RawExchange(int port, const std::string& request, int timeout_ms = 5000);

// Splits a raw response into its head (status line and headers, without
// the blank line) and its body.
struct RawResponse {
  std::string statusLine;
  std::string headers;  // each "Name: value\r\n"
  std::string body;
};
RawResponse ParseRaw(const std::string& raw);

}  // namespace test_support

namespace test_support {

// One client connection to 127.0.0.1:port that stays open across
// requests, for keep-alive and concurrency checks.
class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool connected() const { return fd_ >= 0; }
  bool Send(const std::string& bytes);
  // One whole response (head, and a body of its Content-Length); empty
  // when the server closed the connection or nothing came in time.
  std::string ReadResponse(int timeout_ms = 5000);
  // True when the server closes the connection within the time, without
  // sending anything more.
  bool ClosedByServer(int timeout_ms = 5000);

 private:
  bool Fill(int timeout_ms);  // reads more into buffer_; false on close or time-out
  int fd_ = -1;
  std::string buffer_;
};

// True when a TCP connection to address:port (IPv4 or IPv6 text) is accepted.
bool CanConnect(const std::string& address, int port);

}  // namespace test_support
