// The demonstration machine: queue specs from the environment and job files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "standin/control.h"
#include "standin/control_demo.h"
#include "standin/control_spooler.h"
#include "platform/win32.h"

namespace {

TEST(DemoMachine, InstallsQueuesWithDpiAndFlags) {
  standin::Reset();
  ASSERT_TRUE(standin::InstallQueuesFromList("ORVI@306;Office Laser@600+network+offline;;"));
  auto queues = standin::Queues();
  ASSERT_EQ(queues.size(), 2u);
  EXPECT_EQ(queues[0].name, L"ORVI");
  EXPECT_EQ(queues[0].devmode.dmPrintQuality, 306);
  EXPECT_EQ(queues[0].attributes, 0u);
  EXPECT_EQ(queues[1].name, L"Office Laser");
  EXPECT_EQ(queues[1].caps.logPixelsX, 600);
  EXPECT_EQ(queues[1].attributes,
            static_cast<DWORD>(PRINTER_ATTRIBUTE_NETWORK | PRINTER_ATTRIBUTE_WORK_OFFLINE));
}

TEST(DemoMachine, RejectsEntriesWithoutAUsableDpi) {
  standin::Reset();
  for (const char* bad : {"ORVI", "@300", "ORVI@0", "ORVI@abc", "ORVI@40000"}) {
    EXPECT_FALSE(standin::InstallQueuesFromList(bad)) << bad;
  }
  EXPECT_TRUE(standin::Queues().empty());
}

TEST(DemoMachine, FailsTheNamedCallsWithTheirErrors) {
  standin::Reset();
  EXPECT_TRUE(standin::FailCallsFromList("GlobalAlloc=8;"));
  EXPECT_EQ(GlobalAlloc(GHND, 4), nullptr);
  EXPECT_EQ(GetLastError(), 8u);
  EXPECT_FALSE(standin::FailCallsFromList("=5;GlobalLock"));
  standin::Reset();
}

TEST(DemoMachine, WritesNothingWithoutJobs) {
  standin::Reset();
  auto dir = std::filesystem::temp_directory_path() / "standin-demo-jobs-test";
  std::filesystem::create_directories(dir);
  EXPECT_EQ(standin::WriteJobsTo(dir.string()), 0);
  std::filesystem::remove_all(dir);
}

}  // namespace
