// The three POST endpoints; the server's route table binds them.
#pragma once

#include <httplib.h>

namespace orvi {

void HandleGetPrinters(const httplib::Request& req, httplib::Response& res);
void HandleGetPrinterResolution(const httplib::Request& req, httplib::Response& res);
void HandlePrintImage(const httplib::Request& req, httplib::Response& res,
                      const httplib::ContentReader& content_reader);

}  // namespace orvi
