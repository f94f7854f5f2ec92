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
