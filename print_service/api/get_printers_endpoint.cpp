#include "print_service/api/endpoints.h"
#include "print_service/api/response_envelope.h"
#include "print_service/printing/log_line.h"
#include "print_service/printing/printer_list.h"

namespace orvi {

namespace {
cJSON* PrinterArray(const std::vector<std::string>& names) {
  cJSON* printers = cJSON_CreateArray();
  for (const std::string& name : names) {
    cJSON* printer = cJSON_CreateObject();
    cJSON_AddItemToObject(printer, "name", cJSON_CreateString(name.c_str()));
    cJSON_AddItemToArray(printers, printer);
  }
  return printers;
}
}  // namespace

// A flag is on when its name occurs among the parameters, whatever the value.
void HandleGetPrinters(const httplib::Request& req, httplib::Response& res) {
  AddCorsHeaders(res);
  const bool onlyLocal = req.has_param("onlyLocal");
  const bool onlyOnline = req.has_param("onlyOnline");
  const bool onlySupported = req.has_param("onlySupported");
  LogLine(std::string(onlyLocal ? "1" : "0") + (onlyOnline ? "1" : "0") +
          (onlySupported ? "1" : "0") + "===");
  const std::vector<std::string> names = GetPrinterList(onlyLocal, onlyOnline, onlySupported);

  JsonTree tree;
  cJSON* printers = PrinterArray(names);
  cJSON_AddStringToObject(tree.root(), "statusCode", "10001");
  cJSON* resultInfo = cJSON_CreateObject();
  cJSON_AddItemToObject(resultInfo, "printers", printers);
  cJSON_AddItemToObject(tree.root(), "resultInfo", resultInfo);
  SendEnvelope(res, tree);
}

}  // namespace orvi
