// GetPrinterList against the stand-in's spooler.
#include <gtest/gtest.h>

#include "print_service/printing/narrow_name.h"
#include "print_service/printing/printer_list.h"
#include "standin/control.h"
#include "standin/control_spooler.h"
#include "support/test_support.h"

namespace {

class PrinterListTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
  void TearDown() override {
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
  static void Install(const std::wstring& name, DWORD attributes = 0,
                      const std::wstring& server = L"") {
    standin::Queue q = standin::MakeQueue(name);
    q.attributes = attributes;
    q.serverName = server;
    standin::InstallQueue(q);
  }
  std::vector<std::string> List(bool local, bool online, bool supported) {
    testing::internal::CaptureStdout();
    auto names = orvi::GetPrinterList(local, online, supported);
    log = testing::internal::GetCapturedStdout();
    return names;
  }
  std::string log;
};

using Names = std::vector<std::string>;

TEST_F(PrinterListTest, FiltersInSpoolerOrderAndCountsEveryQueue) {
  Install(L"Office", PRINTER_ATTRIBUTE_NETWORK, L"\\\\srv");
  Install(L"ORVI");
  Install(L"Q52 Label Printer", PRINTER_ATTRIBUTE_WORK_OFFLINE);
  Install(L"ORVI 300DPI");
  EXPECT_EQ(List(false, false, false), (Names{"Office", "ORVI", "Q52 Label Printer", "ORVI 300DPI"}));
  EXPECT_EQ(log, "\\\\srv\n\n\n\nnumber 4\n");
  EXPECT_EQ(List(false, false, true), (Names{"ORVI", "Q52 Label Printer"}));
  EXPECT_EQ(log, "\\\\srv\n\n\n\nnumber 4\n");
  EXPECT_EQ(List(true, true, false), (Names{"ORVI", "ORVI 300DPI"}));
  EXPECT_EQ(List(true, true, true), (Names{"ORVI"}));
}

TEST_F(PrinterListTest, NoQueuesGivesAnEmptyListAndNumberZero) {
  EXPECT_TRUE(List(false, false, false).empty());
  EXPECT_EQ(log, "number 0\n");
}

TEST_F(PrinterListTest, SpoolerFailureGivesAnEmptyListAndNoLog) {
  Install(L"ORVI");
  standin::FailCall("EnumPrintersW", ERROR_NOT_ENOUGH_MEMORY, 1, 1);
  EXPECT_TRUE(List(false, false, false).empty());
  EXPECT_EQ(log, "");
}

TEST_F(PrinterListTest, MoreThanTwentyQueuesAreAllListed) {
  for (int i = 0; i < 25; ++i) Install(L"P" + std::to_wstring(i));
  Names names = List(false, false, false);
  ASSERT_EQ(names.size(), 25u);
  EXPECT_EQ(names[24], "P24");
}

TEST_F(PrinterListTest, ChineseNamesComeOutInCodePage936) {
  Install(L"标签打印机");
  EXPECT_EQ(List(false, false, false), (Names{test_support::Cp936("标签打印机")}));
  EXPECT_EQ(orvi::NarrowName(nullptr), "");
  EXPECT_EQ(orvi::NarrowName(L"A\u00e9\u65e5"), "A" + test_support::Cp936("\u00e9\u65e5"));
}

}  // namespace
