// GetPrinters and PrintImage over a real loopback socket, byte for byte.
#include <gtest/gtest.h>
#include <httplib.h>

#include <stb_image_write.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "print_service/api/endpoints.h"
#include "standin/control.h"
#include "standin/control_spooler.h"
#include "support/raw_http.h"
#include "support/test_support.h"

namespace {

using test_support::Cp936;
using test_support::ParseRaw;
using test_support::RawExchange;

const std::string kJsonHeaders =
    "Access-Control-Allow-Headers: Origin, X-Requested-With, Content-Type, Accept\r\n"
    "Access-Control-Allow-Methods: GET, OPTIONS, POST, HEAD\r\n"
    "Access-Control-Allow-Origin: *\r\n"
    "Connection: close\r\n"
    "Content-Length: LENGTH\r\n"
    "Content-Type: application/json\r\n";

const std::string kPrinted = "{\n\t\"statusCode\":\t\"10001\",\n\t\"resultInfo\":\t\"hahah\"\n}";

std::string Base64(const std::string& bytes) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (static_cast<uint8_t>(bytes[i]) << 16) |
                       (static_cast<uint8_t>(bytes[i + 1]) << 8) | static_cast<uint8_t>(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += alphabet[(v >> s) & 63];
  }
  if (i < bytes.size()) {
    unsigned v = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// A solid 12 x 12 PNG of one grey level.
std::string SolidPng(uint8_t level) {
  std::vector<uint8_t> px(12 * 12, level);
  std::string png;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<char*>(data), size);
      },
      &png, 12, 12, 1, px.data(), 12);
  return png;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::filesystem::path ImageFile() {
  return standin::MapPath(std::string("C:\\Users\\Public\\tempOV.JPG"));
}

std::string FileBytes() {
  std::ifstream in(ImageFile(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class PrintingEndpointsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    server_.Post("/ovapi/GetPrinters", orvi::HandleGetPrinters);
    server_.Post("/ovapi/PrintImage", orvi::HandlePrintImage);
    port_ = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  void TearDown() override {
    server_.stop();
    thread_.join();
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }

  std::string Post(const std::string& target, const std::string& body = "",
                   const std::string& contentType = "text/plain") {
    std::string request = "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!body.empty() || contentType != "text/plain")
      request += "Content-Type: " + contentType + "\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    return RawExchange(port_, request);
  }

  // Answer with status, header set and body checked; returns the body.
  std::string PostJson(const std::string& target, const std::string& body = "",
                       const std::string& contentType = "text/plain") {
    const auto response = ParseRaw(Post(target, body, contentType));
    EXPECT_EQ(response.statusLine, "HTTP/1.1 200 OK");
    std::string headers = kJsonHeaders;
    headers.replace(headers.find("LENGTH"), 6, std::to_string(response.body.size()));
    EXPECT_EQ(response.headers, headers);
    return response.body;
  }

  std::string PostJsonLogged(const std::string& target, std::string& log,
                             const std::string& body = "",
                             const std::string& contentType = "text/plain") {
    testing::internal::CaptureStdout();
    std::string answer = PostJson(target, body, contentType);
    log = testing::internal::GetCapturedStdout();
    return answer;
  }

  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

TEST_F(PrintingEndpointsTest, TwoQueuesGiveTheTenLineBody) {
  standin::InstallQueue(standin::MakeQueue(L"A"));
  standin::InstallQueue(standin::MakeQueue(L"B"));
  std::string log;
  EXPECT_EQ(PostJsonLogged("/ovapi/GetPrinters", log),
            "{\n\t\"statusCode\":\t\"10001\",\n\t\"resultInfo\":\t{\n\t\t\"printers\":\t[{\n"
            "\t\t\t\t\"name\":\t\"A\"\n\t\t\t}, {\n\t\t\t\t\"name\":\t\"B\"\n\t\t\t}]\n\t}\n}");
  EXPECT_EQ(log, "000===\n\n\nnumber 2\n");
}

TEST_F(PrintingEndpointsTest, NoQueueGivesTheSixLineBody) {
  EXPECT_EQ(PostJson("/ovapi/GetPrinters?onlySupported=1"),
            "{\n\t\"statusCode\":\t\"10001\",\n\t\"resultInfo\":\t{\n\t\t\"printers\":\t[]\n\t}\n}");
}

struct FlagCase {
  std::string target;
  std::string body;
  std::string contentType;
  std::string flags;
  bool listsOffice;
};

TEST_F(PrintingEndpointsTest, FlagsComeFromQueryOrFormFieldsWhateverTheValue) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI"));
  standin::InstallQueue(standin::MakeQueue(L"Office"));
  const FlagCase cases[] = {
      {"/ovapi/GetPrinters?onlySupported=0", "", "text/plain", "001", false},
      {"/ovapi/GetPrinters?onlySupported=false&onlyLocal=", "", "text/plain", "101", false},
      {"/ovapi/GetPrinters?onlysupported=1", "", "text/plain", "000", true},
      {"/ovapi/GetPrinters", "onlySupported=1&onlyOnline=x", "application/x-www-form-urlencoded",
       "011", false},
      {"/ovapi/GetPrinters", "{\"onlySupported\": 1}", "application/json", "000", true},
  };
  for (const FlagCase& c : cases) {
    std::string log;
    const std::string body = PostJsonLogged(c.target, log, c.body, c.contentType);
    EXPECT_EQ(log.substr(0, 7), c.flags + "===\n") << c.target << " " << c.body;
    EXPECT_NE(body.find("\"ORVI\""), std::string::npos) << c.target << " " << c.body;
    EXPECT_EQ(body.find("\"Office\"") != std::string::npos, c.listsOffice)
        << c.target << " " << c.body;
  }
}

TEST_F(PrintingEndpointsTest, ChineseQueueNamesGoOutAsCodePage936Bytes) {
  standin::InstallQueue(standin::MakeQueue(L"标签"));
  EXPECT_NE(PostJson("/ovapi/GetPrinters").find("\"" + Cp936("标签") + "\""), std::string::npos);
}

TEST_F(PrintingEndpointsTest, PrintsOnTheQueueOfTheLastParameterInNameOrder) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
  standin::InstallQueue(standin::MakeQueue(L"Label", 306));
  const std::string body = "data:image/png;base64," + Base64(SolidPng(0));
  std::string log;
  EXPECT_EQ(PostJsonLogged("/ovapi/PrintImage?b=Label&a=ORVI", log, body), kPrinted);
  EXPECT_TRUE(StartsWith(log, "a = ORVI\nb = Label\na = ORVI\nb = Label\n\nPicture")) << log;
  EXPECT_NE(log.find("pic file is save to tempOV\nstart print\n"), std::string::npos);
  EXPECT_EQ(PostJson("/ovapi/PrintImage?printName=ORVI", body), kPrinted);
  EXPECT_EQ(PostJson("/ovapi/PrintImage", body), kPrinted);
  auto jobs = standin::Jobs();
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[0].queue, L"Label");
  EXPECT_EQ(jobs[1].queue, L"ORVI");
  EXPECT_EQ(jobs[2].queue, L"ORVI");  // no parameter: the default queue
  for (const auto& job : jobs) {
    ASSERT_EQ(job.pages.size(), 1u);
    EXPECT_EQ(job.pages[0].At(11, 11), 0xFF000000u);
  }
}

TEST_F(PrintingEndpointsTest, EmptyBodyMultipartAndUnknownQueueAnswerTheSame) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
  std::string log;
  EXPECT_EQ(PostJsonLogged("/ovapi/PrintImage?printName=ORVI", log), kPrinted);
  EXPECT_TRUE(StartsWith(
      log, "printName = ORVI\nprintName = ORVI\n\n pic data is empty \nstart print\n"))
      << log;
  EXPECT_FALSE(std::filesystem::exists(ImageFile()));

  PostJson("/ovapi/PrintImage", "h," + Base64(SolidPng(7)));
  const std::string saved = FileBytes();
  const std::string multipart =
      "--XyZ\r\nContent-Disposition: form-data; name=\"pic\"; filename=\"a.png\"\r\n"
      "Content-Type: image/png\r\n\r\nh," + Base64(SolidPng(200)) + "\r\n--XyZ--\r\n";
  EXPECT_EQ(PostJsonLogged("/ovapi/PrintImage", log, multipart,
                           "multipart/form-data; boundary=XyZ"),
            kPrinted);
  EXPECT_TRUE(StartsWith(log, "\n" + Cp936("日") + "\nstart print\n")) << log;
  EXPECT_EQ(FileBytes(), saved);  // nothing of the multipart body is saved

  EXPECT_EQ(PostJsonLogged("/ovapi/PrintImage?printName=Nope", log, "h," + Base64(SolidPng(9))),
            kPrinted);
  EXPECT_NE(log.find("start print\n" + Cp936("无法打开打印机: ") + "1801\n"), std::string::npos);
}

// Sends the request and closes the sending side, so the server meets the end
// of the stream where the body should go on; returns what it sent back.
std::string SendThenHangUp(int port, const std::string& request) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    shutdown(fd, SHUT_WR);
    timeval wait{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char buffer[4096];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return answer;
}

TEST_F(PrintingEndpointsTest, ABodyCutShortIsNeitherSavedNorPrinted) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
  PostJson("/ovapi/PrintImage?printName=ORVI", "h," + Base64(SolidPng(7)));
  const std::string saved = FileBytes();
  const size_t jobsBefore = standin::Jobs().size();
  const std::string image = "h," + Base64(SolidPng(200));
  const std::string head = "POST /ovapi/PrintImage?printName=ORVI HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  struct Case {
    const char* what;
    std::string request;
  };
  const Case cases[] = {
      {"half of a declared length",
       head + "Content-Length: " + std::to_string(image.size()) + "\r\n\r\n" + image.substr(0, image.size() / 2)},
      {"chunked without its last chunk",
       head + "Transfer-Encoding: chunked\r\n\r\n10\r\n" + image.substr(0, 16) + "\r\n"},
      {"multipart cut inside a part",
       head + "Content-Type: multipart/form-data; boundary=XyZ\r\nContent-Length: 500\r\n\r\n"
              "--XyZ\r\nContent-Disposition: form-data; name=\"pic\"\r\n\r\nh,QUJD"},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStdout();
    const auto answer = ParseRaw(SendThenHangUp(port_, c.request));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(answer.statusLine, "") << c.what << ": nobody is left to answer";
    EXPECT_NE(log.find("PrintImage: the request body did not arrive whole; nothing printed.\n"), std::string::npos)
        << c.what << "\n" << log;
    EXPECT_EQ(log.find("start print"), std::string::npos) << c.what;
    EXPECT_EQ(FileBytes(), saved) << c.what;
    EXPECT_EQ(standin::Jobs().size(), jobsBefore) << c.what;
  }
}

// The answer is a 400 (the full server adds its error page to it).
TEST_F(PrintingEndpointsTest, ABodyThatStallsIsRefusedAfterTheReadTimeout) {
  server_.set_read_timeout(1, 0);  // the served 5 s would only make the test slow
  standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
  test_support::RawConnection conn(port_);
  ASSERT_TRUE(conn.connected());
  testing::internal::CaptureStdout();
  conn.Send("POST /ovapi/PrintImage HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100\r\n\r\nh,QUJD");
  const std::string answer = conn.ReadResponse(5000);
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(answer, "HTTP/1.1 400 Bad Request\r\n" + kJsonHeaders.substr(0, kJsonHeaders.find("Connection")) +
                        "Content-Length: 0\r\nKeep-Alive: timeout=5, max=5\r\n\r\n");
  EXPECT_EQ(log.find("start print"), std::string::npos) << log;
  EXPECT_TRUE(standin::Jobs().empty());
}

TEST_F(PrintingEndpointsTest, ParallelRequestsEachPrintTheirOwnImage) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
  const uint8_t levels[] = {10, 60, 110, 160, 210, 250};
  std::vector<std::thread> clients;
  testing::internal::CaptureStdout();
  for (uint8_t level : levels)
    clients.emplace_back([this, level] {
      const auto r = ParseRaw(Post("/ovapi/PrintImage?printName=ORVI", "h," + Base64(SolidPng(level))));
      EXPECT_EQ(r.body, kPrinted);
    });
  for (auto& c : clients) c.join();
  testing::internal::GetCapturedStdout();
  std::set<uint32_t> printed;
  for (const auto& job : standin::Jobs()) {
    ASSERT_EQ(job.pages.size(), 1u);
    const standin::Page& page = job.pages[0];
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) ASSERT_EQ(page.At(x, y), page.At(0, 0)) << "mixed image";
    printed.insert(page.At(0, 0));
  }
  std::set<uint32_t> sent;
  for (uint8_t level : levels) sent.insert(0xFF000000u | level * 0x010101u);
  EXPECT_EQ(printed, sent);
}

}  // namespace
