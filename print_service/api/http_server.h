// The local HTTP server: its settings, route table and error page. The
// library is only declared here so that the host does not compile it.
#pragma once

#include <cstddef>
#include <string>

namespace httplib {
class Server;
}

namespace orvi {

constexpr const char* kServerHost = "127.0.0.1";
constexpr int kServerPort = 6780;
// The largest form-urlencoded body the server reads; larger ones get 413.
constexpr std::size_t kFormBodyLimit = 8192;

// The thread body: builds the server and listens on 127.0.0.1:6780 until
// the process ends. 0 when the listen call returns, -1 for a server that
// reports itself not valid.
int RunHttpServer();

// Puts the server settings and the whole route table on `server`, so that
// tests can listen on a port of their own.
void SetUpServer(httplib::Server& server);

// max(8, hardware threads - 1); `hardware` may be 0 (unknown).
unsigned WorkerThreadCount(unsigned hardware);

// The error page for a status.
std::string ErrorPage(int status);

}  // namespace orvi
