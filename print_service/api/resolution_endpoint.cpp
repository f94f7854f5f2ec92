// POST "/ovapi/GetPrinterResolution": the queue named by `printName` and its
// resolution and page size, or one of three error messages.
#include <string>
#include <variant>

#include "print_service/api/endpoints.h"
#include "print_service/api/response_envelope.h"
#include "print_service/printing/resolution_lookup.h"

namespace orvi {
namespace {

// The first `printName` parameter (query before form), up to any zero byte:
// the lookup works on zero-terminated names.
std::string PrinterNameOf(const httplib::Request& req) {
  std::string value = req.get_param_value("printName");
  return std::string(value.c_str());
}

void AddError(const JsonTree& tree, const char* message) {
  cJSON_AddStringToObject(tree.root(), "statusCode", "10002");
  cJSON_AddStringToObject(tree.root(), "resultInfo", message);
}

void AddResolution(const JsonTree& tree, const PrinterResolution& r) {
  cJSON* info = cJSON_CreateObject();
  cJSON_AddNumberToObject(info, "xDPI", r.xDPI);
  cJSON_AddNumberToObject(info, "yDPI", r.yDPI);
  cJSON_AddNumberToObject(info, "physicalWidth", r.physicalWidth);
  cJSON_AddNumberToObject(info, "physicalHeight", r.physicalHeight);
  cJSON_AddNumberToObject(info, "printQuality", r.printQuality);
  cJSON_AddItemToObject(tree.root(), "resultInfo", info);
}

}  // namespace

void HandleGetPrinterResolution(const httplib::Request& req, httplib::Response& res) {
  AddCorsHeaders(res);
  JsonTree tree;
  const std::string printerName = PrinterNameOf(req);
  if (printerName.empty()) {
    AddError(tree, "Printer name is required");
  } else {
    ResolutionOutcome outcome = GetPrinterResolution(printerName.c_str());
    if (const auto* r = std::get_if<PrinterResolution>(&outcome)) {
      AddResolution(tree, *r);
    } else if (std::get<ResolutionFailure>(outcome) == ResolutionFailure::OpenPrinterFailed) {
      AddError(tree, "Failed to open printer");
    } else {
      AddError(tree, "Failed to create printer DC");
    }
  }
  SendEnvelope(res, tree);
}

}  // namespace orvi
