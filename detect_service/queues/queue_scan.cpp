#include "detect_service/queues/queue_scan.h"

#include <algorithm>
#include <cstring>

#include "detect_service/queues/queue_ops.h"

namespace {
QueueEntry DescribeQueue(PRINTER_INFO_2A* info) {
  QueueEntry entry{info, 0, false};
  HANDLE printer = nullptr;
  if (OpenPrinterA(info->pPrinterName, &printer, nullptr)) {
    entry.hasPosition = ReadPosition(printer, &entry.position);
    ClosePrinter(printer);
  }
  return entry;
}
}  // namespace

void QueueInventory::Release() {
  queues.clear();
  returned = 0;
  if (buffer_ != nullptr) LocalFree(buffer_);
  buffer_ = nullptr;
}

bool QueueInventory::Scan(const char* driverName) {
  Release();
  char emptyName[] = "";
  DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0;
  DWORD count = 0;
  EnumPrintersA(flags, emptyName, 2, nullptr, 0, &needed, &count);
  buffer_ = LocalAlloc(LMEM_ZEROINIT, needed + 4);
  if (buffer_ == nullptr) return false;
  auto* records = static_cast<PRINTER_INFO_2A*>(buffer_);
  if (!EnumPrintersA(flags, emptyName, 2, reinterpret_cast<LPBYTE>(records), needed + 4, &needed, &count)) {
    Release();
    return false;
  }
  returned = count;
  for (DWORD i = 0; i < count && queues.size() < kMaxQueues; ++i) {
    PRINTER_INFO_2A* info = &records[i];
    if (info->pDriverName != nullptr && std::strcmp(info->pDriverName, driverName) == 0)
      queues.push_back(DescribeQueue(info));
  }
  return true;
}

void SortByPosition(std::vector<QueueEntry>& queues) {
  std::stable_sort(queues.begin(), queues.end(), [](const QueueEntry& a, const QueueEntry& b) {
    if (a.hasPosition != b.hasPosition) return a.hasPosition;
    return a.hasPosition && a.position < b.position;
  });
}
