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
// False when the body did not arrive whole.
bool ReadMultipart(const httplib::ContentReader& content_reader) {
  httplib::MultipartFormDataItems files;
  const bool whole = content_reader(
      [&](const httplib::MultipartFormData& file) {
        files.push_back(file);
        return true;
      },
      [&](const char* data, size_t length) {
        if (!files.empty()) files.back().content.append(data, length);
        return true;
      });
  LogLine("日");
  return whole;
}

// False when the body did not arrive whole (the client stalled past the
// read timeout, closed early or sent a broken chunk).
bool ReadBody(const httplib::ContentReader& content_reader, std::string& body) {
  return content_reader([&](const char* data, size_t length) {
    body.append(data, length);
    return true;
  });
}

// A cut-off body is neither saved nor printed: half an image must not
// replace the last one, and nothing is printed for a request that failed.
void RefuseIncompleteBody(httplib::Response& res) {
  LogLine("PrintImage: the request body did not arrive whole; nothing printed.");
  res.status = 400;
}

}  // namespace

void HandlePrintImage(const httplib::Request& req, httplib::Response& res,
                      const httplib::ContentReader& content_reader) {
  AddCorsHeaders(res);
  const std::string printName = PrinterNameFromParams(req);
  if (req.is_multipart_form_data()) {
    if (!ReadMultipart(content_reader)) return RefuseIncompleteBody(res);
    std::lock_guard<std::mutex> lock(ImageFileMutex());
    LogLine("start print");
    PrintLabelImage(printName);
  } else {
    std::string body;
    if (!ReadBody(content_reader, body)) return RefuseIncompleteBody(res);
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
