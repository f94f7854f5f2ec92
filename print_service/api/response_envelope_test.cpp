// The JSON answer exactly as clients receive it: cJSON's formatted layout.
#include "print_service/api/response_envelope.h"

#include <gtest/gtest.h>

#include <functional>

#include "standin/control.h"

namespace {

struct LayoutCase {
  const char* what;
  std::function<void(cJSON* root)> build;
  std::string printed;
};

cJSON* Printer(const char* name) {
  cJSON* p = cJSON_CreateObject();
  cJSON_AddStringToObject(p, "printName", name);
  return p;
}

class ResponseEnvelopeTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
};

TEST_F(ResponseEnvelopeTest, PrintedLayout) {
  const LayoutCase cases[] = {
      {"string members",
       [](cJSON* r) {
         cJSON_AddStringToObject(r, "statusCode", "10001");
         cJSON_AddStringToObject(r, "resultInfo", "hahah");
       },
       "{\n\t\"statusCode\":\t\"10001\",\n\t\"resultInfo\":\t\"hahah\"\n}"},
      {"nested object with whole numbers",
       [](cJSON* r) {
         cJSON_AddStringToObject(r, "statusCode", "10001");
         cJSON* info = cJSON_CreateObject();
         cJSON_AddNumberToObject(info, "xDPI", 300);
         cJSON_AddNumberToObject(info, "yDPI", 0);
         cJSON_AddNumberToObject(info, "width", -12);
         cJSON_AddItemToObject(r, "resultInfo", info);
       },
       "{\n\t\"statusCode\":\t\"10001\",\n\t\"resultInfo\":\t{\n\t\t\"xDPI\":\t300,\n"
       "\t\t\"yDPI\":\t0,\n\t\t\"width\":\t-12\n\t}\n}"},
      {"array of objects on one line",
       [](cJSON* r) {
         cJSON* info = cJSON_CreateObject();
         cJSON* list = cJSON_CreateArray();
         cJSON_AddItemToArray(list, Printer("A"));
         cJSON_AddItemToArray(list, Printer("B"));
         cJSON_AddItemToObject(info, "printers", list);
         cJSON_AddItemToObject(r, "resultInfo", info);
       },
       "{\n\t\"resultInfo\":\t{\n\t\t\"printers\":\t[{\n\t\t\t\t\"printName\":\t\"A\"\n\t\t\t}, {\n"
       "\t\t\t\t\"printName\":\t\"B\"\n\t\t\t}]\n\t}\n}"},
      {"array of strings",
       [](cJSON* r) {
         cJSON* list = cJSON_CreateArray();
         cJSON_AddItemToArray(list, cJSON_CreateString("a"));
         cJSON_AddItemToArray(list, cJSON_CreateString("b"));
         cJSON_AddItemToObject(r, "resultInfo", list);
       },
       "{\n\t\"resultInfo\":\t[\"a\", \"b\"]\n}"},
      {"empty array",
       [](cJSON* r) { cJSON_AddItemToObject(r, "resultInfo", cJSON_CreateArray()); },
       "{\n\t\"resultInfo\":\t[]\n}"},
      {"empty nested object",
       [](cJSON* r) { cJSON_AddItemToObject(r, "resultInfo", cJSON_CreateObject()); },
       "{\n\t\"resultInfo\":\t{\n\t}\n}"},
      {"empty root", [](cJSON*) {}, "{\n}"},
      {"escapes",
       [](cJSON* r) { cJSON_AddStringToObject(r, "resultInfo", "q\"b\\s/\b\f\n\r\t\x01\x1f|"); },
       "{\n\t\"resultInfo\":\t\"q\\\"b\\\\s/\\b\\f\\n\\r\\t\\u0001\\u001f|\"\n}"},
      {"high bytes unchanged (code page 936 name)",
       [](cJSON* r) { cJSON_AddStringToObject(r, "resultInfo", "\xb4\xf2\xd3\xa1\x7f\xff"); },
       "{\n\t\"resultInfo\":\t\"\xb4\xf2\xd3\xa1\x7f\xff\"\n}"},
  };
  for (const LayoutCase& c : cases) {
    orvi::JsonTree tree;
    c.build(tree.root());
    httplib::Response res;
    orvi::SendEnvelope(res, tree);
    EXPECT_EQ(res.body, c.printed) << c.what;
    EXPECT_EQ(res.get_header_value("Content-Type"), "application/json") << c.what;
    EXPECT_EQ(res.get_header_value_count("Content-Type"), 1u) << c.what;
  }
}

}  // namespace
