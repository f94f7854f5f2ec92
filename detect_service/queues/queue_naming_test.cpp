// The naming table: list size, entry index and the printer's resolution code.
#include <gtest/gtest.h>

#include "detect_service/queues/queue_naming.h"

namespace {

TEST(QueueNaming, Table) {
  struct {
    int count;
    int k;
    unsigned char code;
    const char* name;
    bool resolution;
  } rows[] = {
      {1, 0, 0, "B", false},           {1, 0, 1, "B", false},
      {1, 0, 2, "B", true},            {1, 0, 7, "B", false},
      {3, 0, 0, "B", false},           {3, 0, 2, "B 300DPI", true},
      {3, 1, 1, "B #1", false},        {3, 2, 2, "B 300DPI #2", true},
      {3, 0, 5, "B", false},           {3, 2, 255, "B #2", false},  // invalid code among several: never empty
  };
  for (const auto& r : rows) {
    QueueNaming n = NameForQueue("B", r.count, r.k, r.code);
    EXPECT_EQ(n.name, r.name) << r.count << " " << r.k << " " << int(r.code);
    EXPECT_EQ(n.setResolution, r.resolution) << r.count << " " << r.k << " " << int(r.code);
  }
}

TEST(QueueNaming, AddedQueuesTakeTheirPositionLessOne) {
  EXPECT_EQ(AddedQueueName("B", 1), "B #0");
  EXPECT_EQ(AddedQueueName("B", 3), "B #2");
}

}  // namespace
