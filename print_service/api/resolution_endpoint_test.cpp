// POST "/ovapi/GetPrinterResolution" over a loopback socket: the exact
// answer for success and each error, and how the name is taken from the
// request parameters.
#include <gtest/gtest.h>

#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/win32.h"
#include "print_service/api/endpoints.h"
#include "standin/control.h"
#include "standin/control_registry.h"
#include "standin/control_spooler.h"
#include "support/raw_http.h"

namespace {

const char kDir[] = "C:\\ProgramData\\ORVI";

std::string Response(const std::string& body) {
  return "HTTP/1.1 200 OK\r\n"
         "Access-Control-Allow-Headers: Origin, X-Requested-With, Content-Type, Accept\r\n"
         "Access-Control-Allow-Methods: GET, OPTIONS, POST, HEAD\r\n"
         "Access-Control-Allow-Origin: *\r\n"
         "Connection: close\r\n"
         "Content-Length: " +
         std::to_string(body.size()) +
         "\r\n"
         "Content-Type: application/json\r\n"
         "\r\n" +
         body;
}

std::string Error(const std::string& message) {
  return Response("{\n\t\"statusCode\":\t\"10002\",\n\t\"resultInfo\":\t\"" + message + "\"\n}");
}

std::string Success(int x, int y, int w, int h, int q) {
  return Response("{\n\t\"resultInfo\":\t{\n\t\t\"xDPI\":\t" + std::to_string(x) + ",\n\t\t\"yDPI\":\t" +
                  std::to_string(y) + ",\n\t\t\"physicalWidth\":\t" + std::to_string(w) +
                  ",\n\t\t\"physicalHeight\":\t" + std::to_string(h) + ",\n\t\t\"printQuality\":\t" +
                  std::to_string(q) + "\n\t}\n}");
}

std::string Post(const std::string& query, const std::string& contentType = "", const std::string& body = "") {
  std::string request = "POST /ovapi/GetPrinterResolution" + query +
                        " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  if (!contentType.empty()) request += "Content-Type: " + contentType + "\r\n";
  request += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  return request;
}

void InstallLabelQueue(const std::wstring& name) {
  standin::Queue q = standin::MakeQueue(name, 203);
  q.caps = standin::DeviceCaps{203, 203, 812, 1218};
  standin::InstallQueue(q);
}

class ResolutionEndpointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    std::filesystem::create_directories(standin::MapPath(std::string(kDir)));
    standin::SetRegistryString("HKLM\\Software\\ORVI", "Data Directory", kDir);
    server_.Post("/ovapi/GetPrinterResolution", orvi::HandleGetPrinterResolution);
    port_ = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  void TearDown() override {
    server_.stop();
    thread_.join();
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
  std::string Exchange(const std::string& request) {
    testing::internal::CaptureStdout();
    std::string raw = test_support::RawExchange(port_, request);
    testing::internal::GetCapturedStdout();
    return raw;
  }

  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

TEST_F(ResolutionEndpointTest, AnswersForEachRequest) {
  InstallLabelQueue(L"Label");
  InstallLabelQueue(L"B 300DPI #1");
  InstallLabelQueue(L"Other");
  struct Case {
    const char* label;
    std::string request;
    std::string answer;
  };
  const Case cases[] = {
      {"no parameter", Post(""), Error("Printer name is required")},
      {"empty parameter", Post("?printName="), Error("Printer name is required")},
      {"name only in a JSON body", Post("", "application/json", "{\"printName\": \"Label\"}"),
       Error("Printer name is required")},
      {"other letter case", Post("?printname=Label&PrintName=Label"), Error("Printer name is required")},
      {"name that ends before it starts", Post("?printName=%00Label"), Error("Printer name is required")},
      {"query", Post("?printName=Label"), Success(203, 203, 812, 1218, 203)},
      {"form body", Post("", "application/x-www-form-urlencoded", "printName=Label"),
       Success(203, 203, 812, 1218, 203)},
      {"query before form", Post("?printName=Label", "application/x-www-form-urlencoded", "printName=Nothing"),
       Success(203, 203, 812, 1218, 203)},
      {"first of two in the query", Post("?printName=Nothing&printName=Label"), Error("Failed to open printer")},
      {"plus and percent escapes", Post("?printName=B+300DPI+%231"), Success(203, 203, 812, 1218, 203)},
      {"no such queue", Post("?printName=Nothing"), Error("Failed to open printer")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Exchange(c.request), c.answer) << c.label;
  }
}

TEST_F(ResolutionEndpointTest, EmptyNameTouchesNothing) {
  EXPECT_EQ(Exchange(Post("?printName=")), Error("Printer name is required"));
  EXPECT_EQ(standin::CallCount("RegOpenKeyExA"), 0);
  EXPECT_EQ(standin::CallCount("GetPrivateProfileStringA"), 0);
  EXPECT_EQ(standin::CallCount("OpenPrinterW"), 0);
}

TEST_F(ResolutionEndpointTest, CustomResolutionAndDeviceFailures) {
  InstallLabelQueue(L"Label");
  std::ofstream(standin::MapPath(std::string(kDir) + "\\Stored.ini"), std::ios::binary)
      << "[Print Settings]\r\nResolution=306\r\n";
  std::ofstream(standin::MapPath(std::string(kDir) + "\\Label.ini"), std::ios::binary)
      << "[Print Settings]\r\nResolution=306\r\n";
  EXPECT_EQ(Exchange(Post("?printName=Label")), Success(306, 306, 812, 1218, 306));
  EXPECT_EQ(Exchange(Post("?printName=Stored")), Success(306, 306, 0, 0, 306));

  std::filesystem::remove(standin::MapPath(std::string(kDir) + "\\Label.ini"));
  standin::FailCall("CreateDCW", ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Exchange(Post("?printName=Label")), Error("Failed to create printer DC"));
}

}  // namespace
