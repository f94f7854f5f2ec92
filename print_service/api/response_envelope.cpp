#include "print_service/api/response_envelope.h"

#include <cstdlib>

namespace orvi {

void AddCorsHeaders(httplib::Response& res) {
  res.set_header("Access-Control-Allow-Origin", "*");
  res.set_header("Access-Control-Allow-Methods", "GET, OPTIONS, POST, HEAD");
  res.set_header("Access-Control-Allow-Headers", "Origin, X-Requested-With, Content-Type, Accept");
}

void SendEnvelope(httplib::Response& res, const JsonTree& tree) {
  char* text = cJSON_Print(tree.root());
  if (text == nullptr) return;  // out of memory: the library answers with an empty body
  res.set_content(text, "application/json");
  cJSON_free(text);
}

}  // namespace orvi
