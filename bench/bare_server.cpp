// A bare cpp-httplib server with the print service's settings (worker
// threads, keep-alive, timeouts) that answers POST /ovapi/GetPrinters with
// fixed bytes: the baseline for the listing benchmark.
//   bench_bare_server PORT BODY_FILE
#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PORT BODY_FILE\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  const std::string body(std::istreambuf_iterator<char>(in), {});
  httplib::Server server;
  const unsigned hardware = std::thread::hardware_concurrency();
  server.new_task_queue = [hardware] { return new httplib::ThreadPool(hardware > 9 ? hardware - 1 : 8); };
  server.set_keep_alive_max_count(5);
  server.set_keep_alive_timeout(5);
  server.set_read_timeout(5, 0);
  server.set_write_timeout(5, 0);
  server.Post("/ovapi/GetPrinters", [&body](const httplib::Request&, httplib::Response& res) {
    res.set_header("Access-Control-Allow-Origin", "*");
    res.set_header("Access-Control-Allow-Methods", "GET, OPTIONS, POST, HEAD");
    res.set_header("Access-Control-Allow-Headers", "Origin, X-Requested-With, Content-Type, Accept");
    res.set_content(body, "application/json");
  });
  server.listen("127.0.0.1", std::atoi(argv[1]), 0);
  return 0;
}
