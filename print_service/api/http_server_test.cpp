// The server as a browser sees it, over a loopback socket, byte for byte.
#include "print_service/api/http_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "standin/control.h"
#include "support/raw_http.h"

namespace {

using test_support::RawConnection;
using test_support::RawExchange;

const std::string kCors =
    "Access-Control-Allow-Headers: Origin, X-Requested-With, Content-Type, Accept\r\n"
    "Access-Control-Allow-Methods: GET, OPTIONS, POST, HEAD\r\n"
    "Access-Control-Allow-Origin: *\r\n";
const std::string kPreflightAnswer =
    "HTTP/1.1 204 No Content\r\n" + kCors + "Connection: close\r\nContent-Length: 0\r\n\r\n";
std::string ErrorAnswer(int status, const char* reason) {
  std::string page = "<p>Error Status: <span style='color:red;'>" + std::to_string(status) +
                     "</span></p>";
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nConnection: close\r\nContent-Length: " + std::to_string(page.size()) +
         "\r\nContent-Type: text/html\r\n\r\n" + page;
}
const std::string kRedirectAnswer =
    "HTTP/1.1 302 Found\r\nConnection: close\r\nContent-Length: 0\r\nLocation: /hi\r\n\r\n";

std::string Request(const std::string& method, const std::string& target,
                    const std::string& extra_headers = "", const std::string& body = "") {
  std::string r = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                  extra_headers;
  if (!body.empty()) r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  return r + "\r\n" + body;
}

// A gate that test routes wait at, so a request can be held in progress.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  int waiting = 0;
  bool open = false;

  void Wait() {
    std::unique_lock<std::mutex> lock(mutex);
    ++waiting;
    changed.notify_all();
    changed.wait_for(lock, std::chrono::seconds(10), [this] { return open; });
  }
  bool WaitForWaiting(int n) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(5), [&] { return waiting >= n; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex);
    open = true;
    changed.notify_all();
  }
};

class HttpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    orvi::SetUpServer(server_);
    // A route of the test's own on the same server object.
    server_.Get("/test/held", [this](const httplib::Request&, httplib::Response& res) {
      gate_.Wait();
      res.set_content("done", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    listener_ = std::thread([this] { server_.listen_after_bind(); });
  }
  void TearDown() override {
    gate_.Open();
    server_.stop();
    listener_.join();
  }

  std::string Exchange(const std::string& request) { return RawExchange(port_, request); }

  httplib::Server server_;
  Gate gate_;
  int port_ = 0;
  std::thread listener_;
};

struct RouteCase {
  const char* what;
  std::string request;
  std::string answer;
};

TEST_F(HttpServerTest, RoutesAnswerExactly) {
  const std::string not_found = ErrorAnswer(404, "Not Found");
  const RouteCase cases[] = {
      {"preflight GetPrinters", Request("OPTIONS", "/ovapi/GetPrinters"), kPreflightAnswer},
      {"preflight PrintImage", Request("OPTIONS", "/ovapi/PrintImage"), kPreflightAnswer},
      {"preflight GetPrinterResolution", Request("OPTIONS", "/ovapi/GetPrinterResolution"),
       kPreflightAnswer},
      {"preflight with a real browser's headers",
       Request("OPTIONS", "/ovapi/PrintImage",
               "Origin: http://localhost:8080\r\nAccess-Control-Request-Method: POST\r\n"
               "Access-Control-Request-Headers: content-type\r\n"),
       kPreflightAnswer},
      {"query string ignored by routing", Request("OPTIONS", "/ovapi/GetPrinters?onlyLocal=1&x=%20"),
       kPreflightAnswer},
      {"path matched after percent-decoding", Request("OPTIONS", "/ovapi/Get%50rinters"),
       kPreflightAnswer},
      {"preflight elsewhere", Request("OPTIONS", "/ovapi/Other"), not_found},
      {"preflight on /", Request("OPTIONS", "/"), not_found},
      {"preflight lower case", Request("OPTIONS", "/ovapi/getprinters"), not_found},
      {"preflight upper case prefix", Request("OPTIONS", "/OVAPI/GetPrinters"), not_found},
      {"preflight trailing slash", Request("OPTIONS", "/ovapi/GetPrinters/"), not_found},
      {"root redirects", Request("GET", "/"), kRedirectAnswer},
      {"root with a query redirects", Request("GET", "/?from=page"), kRedirectAnswer},
      {"the redirect target has no route", Request("GET", "/hi"), not_found},
      {"GET on an API path", Request("GET", "/ovapi/GetPrinters"), not_found},
      {"PUT on an API path", Request("PUT", "/ovapi/PrintImage", "", "x"), not_found},
      {"DELETE on an API path", Request("DELETE", "/ovapi/GetPrinterResolution"), not_found},
      {"POST with a trailing slash", Request("POST", "/ovapi/GetPrinters/", "", "{}"), not_found},
      {"POST in another case", Request("POST", "/ovapi/getPrinters", "", "{}"), not_found},
      {"POST elsewhere", Request("POST", "/", "", "{}"), not_found},
  };
  for (const RouteCase& c : cases) {
    EXPECT_EQ(Exchange(c.request), c.answer) << c.what;
  }
}

TEST_F(HttpServerTest, UnknownMethodGetsTheErrorPage) {
  RawConnection conn(port_);
  ASSERT_TRUE(conn.connected());
  conn.Send(Request("BREW", "/ovapi/GetPrinters"));
  // The request line is refused before its headers are read, so the
  // answer does not know the client asked to close.
  EXPECT_EQ(conn.ReadResponse(),
            "HTTP/1.1 400 Bad Request\r\nContent-Length: 56\r\nContent-Type: text/html\r\n"
            "Keep-Alive: timeout=5, max=5\r\n\r\n"
            "<p>Error Status: <span style='color:red;'>400</span></p>");
}

TEST_F(HttpServerTest, HeadOfRootIsRoutedAsGet) {
  EXPECT_EQ(Exchange(Request("HEAD", "/")),
            "HTTP/1.1 302 Found\r\nAccept-Ranges: bytes\r\nConnection: close\r\n"
            "Content-Length: 0\r\nLocation: /hi\r\n\r\n");
}

TEST_F(HttpServerTest, PostRoutesReachTheirEndpoints) {
  for (const char* path : {"/ovapi/GetPrinters", "/ovapi/GetPrinterResolution", "/ovapi/PrintImage"}) {
    auto r = test_support::ParseRaw(
        Exchange(Request("POST", std::string(path) + "?printName=none", "Content-Type: text/plain\r\n",
                         "data:image/png;base64,AAAA")));
    EXPECT_EQ(r.statusLine, "HTTP/1.1 200 OK") << path;
    EXPECT_NE(r.headers.find(kCors), std::string::npos) << path << "\n" << r.headers;
  }
}

struct BodyCase {
  const char* what;
  const char* path;
  std::string contentType;
  size_t size;
  bool refused;
};

TEST_F(HttpServerTest, OnlyFormBodiesTheServerReadsAreLimited) {
  const BodyCase cases[] = {
      {"form at the limit", "/ovapi/GetPrinters", "application/x-www-form-urlencoded", 8192, false},
      {"form over the limit", "/ovapi/GetPrinters", "application/x-www-form-urlencoded", 8193, true},
      {"form with charset over the limit", "/ovapi/GetPrinterResolution",
       "application/x-www-form-urlencoded; charset=UTF-8", 8193, true},
      {"large JSON body", "/ovapi/GetPrinters", "application/json", 100000, false},
      // The print route reads its own body: a large image sent as a form
      // must still reach it.
      {"large form to the print route", "/ovapi/PrintImage", "application/x-www-form-urlencoded",
       100000, false},
  };
  for (const BodyCase& c : cases) {
    std::string body = "onlyLocal=" + std::string(c.size - 10, 'a');
    std::string raw = Exchange(Request("POST", c.path, "Content-Type: " + c.contentType + "\r\n", body));
    if (c.refused) {
      EXPECT_EQ(raw, ErrorAnswer(413, "Payload Too Large")) << c.what;
    } else {
      EXPECT_EQ(test_support::ParseRaw(raw).statusLine, "HTTP/1.1 200 OK") << c.what;
    }
  }
}

TEST_F(HttpServerTest, ChunkedFormBodyOverTheLimitIsRefused) {
  std::string chunk(9000, 'a');
  char size[16];
  std::snprintf(size, sizeof(size), "%zx", chunk.size());
  std::string request =
      "POST /ovapi/GetPrinters HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
      "Content-Type: application/x-www-form-urlencoded\r\nTransfer-Encoding: chunked\r\n\r\n" +
      std::string(size) + "\r\n" + chunk + "\r\n0\r\n\r\n";
  EXPECT_EQ(Exchange(request), ErrorAnswer(413, "Payload Too Large"));
}

TEST_F(HttpServerTest, KeepAliveServesFiveRequestsThenCloses) {
  RawConnection conn(port_);
  ASSERT_TRUE(conn.connected());
  const std::string request = "OPTIONS /ovapi/GetPrinters HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  for (int i = 1; i <= 5; ++i) {
    ASSERT_TRUE(conn.Send(request)) << i;
    std::string expected = "HTTP/1.1 204 No Content\r\n" + kCors +
                           (i < 5 ? "Content-Length: 0\r\nKeep-Alive: timeout=5, max=5\r\n\r\n"
                                  : "Connection: close\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(conn.ReadResponse(), expected) << "request " << i;
  }
  conn.Send(request);
  EXPECT_TRUE(conn.ClosedByServer(2000)) << "a sixth request was served";
}

TEST_F(HttpServerTest, IdleConnectionIsClosedAfterFiveSeconds) {
  RawConnection conn(port_);
  ASSERT_TRUE(conn.connected());
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(conn.ClosedByServer(8000));
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(4500));
  EXPECT_LE(waited, std::chrono::milliseconds(7000));
}

TEST_F(HttpServerTest, AnotherRequestIsServedWhileOneIsInProgress) {
  auto held = std::async(std::launch::async, [this] { return Exchange(Request("GET", "/test/held")); });
  ASSERT_TRUE(gate_.WaitForWaiting(1));
  EXPECT_EQ(Exchange(Request("OPTIONS", "/ovapi/PrintImage")), kPreflightAnswer);
  gate_.Open();
  EXPECT_EQ(test_support::ParseRaw(held.get()).body, "done");
}

TEST_F(HttpServerTest, EightRequestsRunAtOnce) {
  std::vector<std::future<std::string>> held;
  for (int i = 0; i < 8; ++i) {
    held.push_back(std::async(std::launch::async, [this] { return Exchange(Request("GET", "/test/held")); }));
  }
  EXPECT_TRUE(gate_.WaitForWaiting(8)) << "fewer than 8 worker threads";
  gate_.Open();
  for (auto& f : held) EXPECT_EQ(test_support::ParseRaw(f.get()).body, "done");
}

TEST(WorkerThreadCountTest, LargerOfEightAndHardwareThreadsLessOne) {
  const struct {
    unsigned hardware, workers;
  } cases[] = {{0, 8}, {1, 8}, {2, 8}, {8, 8}, {9, 8}, {10, 9}, {16, 15}, {64, 63}};
  for (const auto& c : cases) EXPECT_EQ(orvi::WorkerThreadCount(c.hardware), c.workers) << c.hardware;
}

}  // namespace
