// The names the service gives the queues of the label printers' driver.
#pragma once

#include <string>

// Byte 11 of the configuration block.
bool IsValidResolutionCode(unsigned char code);  // 0, 1 or 2
bool IsHighResolutionCode(unsigned char code);   // 2: a 300-dpi-class printer

struct QueueNaming {
  std::string name;      // never empty when the base name is not
  bool setResolution;    // write 306 dpi into the queue's default device mode
};

// Name of list entry k (0-based) of `queueCount` queues whose printer sent
// `code`. A single queue is named after the base alone. Among several, a
// printer with an invalid code is named like a 203-dpi one, so every queue
// keeps a distinct, non-empty name.
QueueNaming NameForQueue(const std::string& baseName, int queueCount, int k, unsigned char code);

// "%s #%d": the name AddPrinterQueue gives a queue with Position n (n - 1).
std::string AddedQueueName(const std::string& baseName, int position);

// The traces the naming step writes for a queue.
void TraceNaming(int queueCount, unsigned char code);
