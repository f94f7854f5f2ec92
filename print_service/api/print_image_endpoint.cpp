#include <mutex>
#include <string>

#include "print_service/api/endpoints.h"
#include "print_service/api/response_envelope.h"
#include "print_service/printing/image_payload.h"
#include "print_service/printing/log_line.h"
#include "print_service/printing/print_label.h"

namespace orvi {

namespace {

// Every request saves to and prints from the same image file: one request
// at a time between its save and the end of its print job, so each job
// prints its own image and never a half-written file.
std::mutex& ImageFileMutex() {
  static std::mutex mutex;
  return mutex;
}

// The value of the last parameter in name order names the printer.
std::string PrinterNameFromParams(const httplib::Request& req) {
  std::string printName;
  std::string context;
  for (const auto& [name, value] : req.params) {
    printName = value;
    std::string params = name + " = " + value;
    LogLine(params);
    context += params + "\n";
  }
  LogLine(context);
  return printName;
}

// Multipart items are read and then dropped: no part carries the image.
void ReadMultipart(const httplib::ContentReader& content_reader) {
  httplib::MultipartFormDataItems files;
  content_reader(
      [&](const httplib::MultipartFormData& file) {
        files.push_back(file);
        return true;
      },
      [&](const char* data, size_t length) {
        if (!files.empty()) files.back().content.append(data, length);
        return true;
      });
  LogLine("日");
}

std::string ReadBody(const httplib::ContentReader& content_reader) {
  std::string body;
  content_reader([&](const char* data, size_t length) {
    body.append(data, length);
    return true;
  });
  return body;
}

}  // namespace

void HandlePrintImage(const httplib::Request& req, httplib::Response& res,
                      const httplib::ContentReader& content_reader) {
  AddCorsHeaders(res);
  const std::string printName = PrinterNameFromParams(req);
  if (req.is_multipart_form_data()) {
    ReadMultipart(content_reader);
    std::lock_guard<std::mutex> lock(ImageFileMutex());
    LogLine("start print");
    PrintLabelImage(printName);
  } else {
    const std::string body = ReadBody(content_reader);
    std::lock_guard<std::mutex> lock(ImageFileMutex());
    SaveImagePayload(body);
    LogLine("start print");
    PrintLabelImage(printName);
  }

  JsonTree tree;
  cJSON_AddStringToObject(tree.root(), "statusCode", "10001");
  cJSON_AddStringToObject(tree.root(), "resultInfo", "hahah");
  SendEnvelope(res, tree);
}

}  // namespace orvi
