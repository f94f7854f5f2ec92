#include "print_service/api/http_server.h"

#include <httplib.h>

#include <cstdio>
#include <thread>

#include "print_service/api/endpoints.h"
#include "print_service/api/response_envelope.h"

namespace orvi {
namespace {

constexpr const char* kApiGetPrinters = "/ovapi/GetPrinters";
constexpr const char* kApiPrintImage = "/ovapi/PrintImage";
constexpr const char* kApiGetPrinterResolution = "/ovapi/GetPrinterResolution";

constexpr std::size_t kKeepAliveMaxRequests = 5;
constexpr time_t kKeepAliveSeconds = 5;
constexpr time_t kReadTimeoutSeconds = 5;
constexpr time_t kWriteTimeoutSeconds = 5;

void Preflight(const httplib::Request&, httplib::Response& res) {
  AddCorsHeaders(res);
  res.status = 204;
}

void RedirectToHi(const httplib::Request&, httplib::Response& res) { res.set_redirect("/hi", 302); }

void SendErrorPage(const httplib::Request&, httplib::Response& res) {
  res.set_content(ErrorPage(res.status), "text/html");
}

bool IsFormBody(const httplib::Request& req) {
  return req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0;
}

// The library reads a form-urlencoded body into memory and parses it; the
// limit is checked here too, so that it holds whatever the library's own
// compiled-in limit is.
httplib::Server::Handler WithFormLimit(httplib::Server::Handler handler) {
  return [handler](const httplib::Request& req, httplib::Response& res) {
    if (IsFormBody(req) && req.body.size() > kFormBodyLimit) {
      res.status = 413;
      return;
    }
    handler(req, res);
  };
}

void ConfigureServer(httplib::Server& server) {
  server.new_task_queue = [] {
    return new httplib::ThreadPool(WorkerThreadCount(std::thread::hardware_concurrency()));
  };
  server.set_keep_alive_max_count(kKeepAliveMaxRequests);
  server.set_keep_alive_timeout(kKeepAliveSeconds);
  server.set_read_timeout(kReadTimeoutSeconds, 0);
  server.set_write_timeout(kWriteTimeoutSeconds, 0);
}

void RegisterRoutes(httplib::Server& server) {
  server.Get("/", RedirectToHi);
  server.Options(kApiGetPrinters, Preflight);
  server.Options(kApiPrintImage, Preflight);
  server.Options(kApiGetPrinterResolution, Preflight);
  server.Post(kApiGetPrinterResolution, WithFormLimit(HandleGetPrinterResolution));
  server.Post(kApiGetPrinters, WithFormLimit(HandleGetPrinters));
  server.Post(kApiPrintImage, httplib::Server::HandlerWithContentReader(HandlePrintImage));
  server.set_error_handler(SendErrorPage);
}

}  // namespace

unsigned WorkerThreadCount(unsigned hardware) { return hardware > 9 ? hardware - 1 : 8; }

std::string ErrorPage(int status) {
  char page[512];
  std::snprintf(page, sizeof(page), "<p>Error Status: <span style='color:red;'>%d</span></p>", status);
  return page;
}

void SetUpServer(httplib::Server& server) {
  ConfigureServer(server);
  RegisterRoutes(server);
}

int RunHttpServer() {
  httplib::Server server;
  if (!server.is_valid()) {
    std::printf("server has an error...\n");
    std::fflush(stdout);
    return -1;
  }
  SetUpServer(server);
  server.listen(kServerHost, kServerPort, 0);
  return 0;
}

}  // namespace orvi
