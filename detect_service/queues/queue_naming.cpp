#include "detect_service/queues/queue_naming.h"

#include "settings_store/trace.h"

namespace {
std::string Numbered(const std::string& base, int k) { return base + " #" + std::to_string(k); }
}  // namespace

bool IsValidResolutionCode(unsigned char code) { return code <= 2; }
bool IsHighResolutionCode(unsigned char code) { return code == 2; }

QueueNaming NameForQueue(const std::string& baseName, int queueCount, int k, unsigned char code) {
  bool high = IsHighResolutionCode(code);
  if (queueCount <= 1) return {baseName, high};
  std::string stem = high ? baseName + " 300DPI" : baseName;
  if (k == 0) return {stem, high};
  return {Numbered(stem, k), high};
}

std::string AddedQueueName(const std::string& baseName, int position) { return Numbered(baseName, position - 1); }

void TraceNaming(int queueCount, unsigned char code) {
  if (queueCount > 1) {
    WriteTrace("如果是多台打印机，后缀加#1、#2、#3...\r\n");
    return;
  }
  WriteTrace("如果是一台台打印机，修改为Printer,data[11]=%d\r\n", code);
  if (code == 0 || code == 1) WriteTrace("data[11] == 0x01时处理data[11]=%d\r\n", code);
  if (code == 2) WriteTrace("data[11] == 0x02时处理data[11]=%d\r\n", code);
}
