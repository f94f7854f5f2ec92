// End to end in one process: a 300-dpi-class label printer is plugged in,
// the detection service reconciles on the device event, and the print
// service lists the new queue, reports 306 dpi for it and prints on it with
// 12 dots per millimetre.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "detect_service/service/service_host.h"
#include "print_service/api/http_server.h"
#include "standin/control.h"
#include "standin/control_files.h"
#include "standin/control_registry.h"
#include "standin/control_service.h"
#include "standin/control_setupapi.h"
#include "standin/control_spooler.h"
#include "support/raw_http.h"
#include "support/installed_machine.h"

namespace {

std::string Base64(const std::string& bytes) {
  static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
    out += table[(n >> 18) & 63];
    out += table[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? table[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? table[n & 63] : '=';
  }
  return out;
}

// A black 24-bit BMP picture.
std::string BlackBmp(int width, int height) {
  const int rowBytes = (width * 3 + 3) / 4 * 4;
  const uint32_t dataSize = static_cast<uint32_t>(rowBytes * height);
  std::string bmp(54 + dataSize, '\0');
  auto put32 = [&bmp](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, 54 + dataSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  bmp[26] = 1;
  bmp[28] = 24;
  put32(34, dataSize);
  return bmp;
}

class DetectToPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    std::strcpy(szServiceName, "USB Printer Service ORVI");
    test_support::InstallOrviPrinterSetup();
    standin::SetServiceStart(standin::ServiceStart::FromScm);
    service_ = std::thread(MyMain);
    ASSERT_TRUE(standin::WaitForServiceState(SERVICE_RUNNING));

    orvi::SetUpServer(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    http_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  void TearDown() override {
    server_.stop();
    if (http_.joinable()) http_.join();
    standin::SendServiceControl(SERVICE_CONTROL_STOP);
    if (service_.joinable()) service_.join();
  }

  std::string Post(const std::string& target, const std::string& body = "") {
    testing::internal::CaptureStdout();
    std::string request = "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                          "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    auto response = test_support::ParseRaw(test_support::RawExchange(port_, request));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(response.statusLine, "HTTP/1.1 200 OK");
    return response.body;
  }

  httplib::Server server_;
  int port_ = 0;
  std::thread service_, http_;
};

TEST_F(DetectToPrintTest, APluggedInPrinterIsListedMeasuredAndPrintedOn) {
  EXPECT_EQ(Post("/ovapi/GetPrinters").find("\"ORVI\""), std::string::npos);

  const std::string path =
      "\\\\?\\usb#vid_8888&pid_0026&mi_02#7&2f0c1a&0&0002#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
  std::vector<unsigned char> block(64, 0);
  block[11] = 2;
  standin::AttachUsbPrintInterface(0, path);
  standin::InstallDeviceFile(path, block);
  ASSERT_EQ(standin::SendServiceControl(SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEARRIVAL),
            static_cast<DWORD>(NO_ERROR));

  EXPECT_NE(Post("/ovapi/GetPrinters").find("\"ORVI\""), std::string::npos);
  const std::string resolution = Post("/ovapi/GetPrinterResolution?printName=ORVI");
  EXPECT_NE(resolution.find("\"xDPI\":\t306"), std::string::npos) << resolution;
  EXPECT_NE(resolution.find("\"yDPI\":\t306"), std::string::npos) << resolution;

  Post("/ovapi/PrintImage?printName=ORVI", "data:image/bmp;base64," + Base64(BlackBmp(600, 300)));
  auto jobs = standin::Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].queue, L"ORVI");
  EXPECT_EQ(jobs[0].devmode.dmPrintQuality, 306);
  // 600 x 300 dots at 12 dots per millimetre: 50 x 25 mm, in tenths.
  EXPECT_EQ(jobs[0].devmode.dmPaperLength, 500);
  EXPECT_EQ(jobs[0].devmode.dmPaperWidth, 250);
  ASSERT_EQ(jobs[0].pages.size(), 1u);
  const standin::Page& page = jobs[0].pages[0];
  ASSERT_GT(page.width, 0);
  EXPECT_NE(page.At(0, 0), 0xFFFFFFFFu);  // the picture is drawn from the top-left dot
}

}  // namespace
