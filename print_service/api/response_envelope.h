// The CORS header set and the JSON answer every POST endpoint sends.
#pragma once

#include <httplib.h>

#include <cjson/cJSON.h>

namespace orvi {

// Adds the three CORS headers, in their fixed order.
void AddCorsHeaders(httplib::Response& res);

// Owns a cJSON tree for the length of a handler.
class JsonTree {
 public:
  JsonTree() : root_(cJSON_CreateObject()) {}
  ~JsonTree() { cJSON_Delete(root_); }
  JsonTree(const JsonTree&) = delete;
  JsonTree& operator=(const JsonTree&) = delete;
  cJSON* root() const { return root_; }

 private:
  cJSON* root_;
};

// Prints the tree with cJSON's formatted print and sets it as the body
// ("application/json"); the printed text is freed here.
void SendEnvelope(httplib::Response& res, const JsonTree& tree);

}  // namespace orvi
