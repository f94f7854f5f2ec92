// The inventory of one scan: the spooler's level-2 enumeration and the
// queues of the service's driver in it, each with its Position.
#pragma once

#include <vector>

#include "platform/win32.h"

// The queue list holds at most this many queues.
constexpr size_t kMaxQueues = 256;

struct QueueEntry {
  PRINTER_INFO_2A* info;  // inside the enumeration buffer
  DWORD position;
  bool hasPosition;       // false: the queue did not open or has no Position
};

class QueueInventory {
 public:
  QueueInventory() = default;
  ~QueueInventory() { Release(); }
  QueueInventory(const QueueInventory&) = delete;
  QueueInventory& operator=(const QueueInventory&) = delete;

  // Enumerates again; false (and an empty inventory) when the spooler or
  // the allocation fails.
  bool Scan(const char* driverName);
  void Release();

  std::vector<QueueEntry> queues;
  DWORD returned = 0;

 private:
  HLOCAL buffer_ = nullptr;
};

// Orders the list by Position (unsigned, stable); queues without a Position
// come after every numbered queue.
void SortByPosition(std::vector<QueueEntry>& queues);
