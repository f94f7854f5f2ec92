// Discovery of the label printers among the USB printer interfaces, the
// compacted path table, and the configuration read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "detect_service/usb/usb_devices.h"
#include "standin/control.h"
#include "standin/control_files.h"
#include "standin/control_setupapi.h"

namespace {

std::string LabelPath(const std::string& serial) {
  return "\\\\?\\usb#vid_8888&pid_0026&mi_02#7&2f0c1a&0&" + serial + "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
}
std::string OtherPath(int n) {
  return "\\\\?\\usb#vid_04b8&pid_0202#x" + std::to_string(n) + "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
}

struct Interface {
  DWORD index;
  std::string path;
};

// Interfaces at every index below `upTo` that the row does not name.
std::vector<Interface> Filled(std::vector<Interface> named, DWORD upTo) {
  std::vector<Interface> all;
  for (DWORD i = 0; i < upTo; ++i) {
    std::string path = OtherPath(static_cast<int>(i));
    for (const Interface& n : named)
      if (n.index == i) path = n.path;
    all.push_back({i, path});
  }
  return all;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct DiscoveryCase {
  const char* what;
  std::vector<Interface> interfaces;
  std::vector<std::string> expectedPaths;  // szDevicePath, in order
};

class DeviceDiscoveryTest : public ::testing::TestWithParam<DiscoveryCase> {
 protected:
  void SetUp() override { standin::Reset(); }
  void TearDown() override { EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles(); }
};

TEST_P(DeviceDiscoveryTest, ListsAndCountsTheLabelPrinters) {
  const DiscoveryCase& c = GetParam();
  for (const Interface& i : c.interfaces) standin::AttachUsbPrintInterface(i.index, i.path);
  char table[kDevicePathEntries][kDevicePathSize];
  std::memset(table, 0, sizeof(table));
  GetDevicePaths(table);
  std::vector<std::string> listed;
  for (auto& entry : table)
    if (entry[0] != '\0') listed.push_back(entry);
  EXPECT_EQ(listed, c.expectedPaths);
  EXPECT_EQ(CountPrinterDevices(), static_cast<int>(c.expectedPaths.size()));
}

const std::string kLong = LabelPath(std::string(240, 'a'));

INSTANTIATE_TEST_SUITE_P(
    Table, DeviceDiscoveryTest,
    ::testing::Values(
        DiscoveryCase{"nothing attached", {}, {}},
        DiscoveryCase{"upper-case identifiers match and are lower-cased",
                      {{0, "\\\\?\\USB#VID_8888&PID_0026&MI_02#7&2F0C1A&0&0002#{28D78FAD-5A12-11D1-AE5B-0000F803A8C2}"}},
                      {Lower("\\\\?\\USB#VID_8888&PID_0026&MI_02#7&2F0C1A&0&0002#{28D78FAD-5A12-11D1-AE5B-0000F803A8C2}")}},
        DiscoveryCase{"no mi_02: another interface or a single-interface device",
                      {{0, "\\\\?\\usb#vid_8888&pid_0026&mi_00#7&1&0&0000#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"},
                       {1, "\\\\?\\usb#vid_8888&pid_0026#serial#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"}},
                      {}},
        DiscoveryCase{"identifiers elsewhere than offset 8",
                      {{0, "\\\\?\\usbprint#vid_8888&pid_0026&mi_02#1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"}},
                      {}},
        DiscoveryCase{"indexes 1 and 4 become entries 0 and 1",
                      Filled({{1, LabelPath("a")}, {4, LabelPath("b")}}, 5), {LabelPath("a"), LabelPath("b")}},
        DiscoveryCase{"index 9 is the last one consulted", Filled({{9, LabelPath("nine")}}, 10), {LabelPath("nine")}},
        DiscoveryCase{"index 12 yields no printer", Filled({{12, LabelPath("twelve")}}, 13), {}},
        DiscoveryCase{"indexes 16 and more are not written", Filled({{16, LabelPath("x")}, {20, LabelPath("y")}}, 21),
                      {}},
        DiscoveryCase{"a path over 255 characters is skipped", {{0, kLong}, {1, LabelPath("short")}},
                      {LabelPath("short")}}),
    [](const ::testing::TestParamInfo<DiscoveryCase>& info) { return "Row" + std::to_string(info.index); });

TEST(DeviceDiscovery, AFailedDetailCallEndsTheEnumeration) {
  standin::Reset();
  standin::AttachUsbPrintInterface(0, LabelPath("a"));
  standin::AttachUsbPrintInterface(1, LabelPath("b"));
  standin::AttachUsbPrintInterface(2, LabelPath("c"));
  // Index 0: size query and detail; index 1: size query, then the detail fails.
  standin::FailCall("SetupDiGetDeviceInterfaceDetailA", ERROR_INVALID_USER_BUFFER, 1, 3);
  char table[kDevicePathEntries][kDevicePathSize];
  std::memset(table, 0, sizeof(table));
  GetDevicePaths(table);
  EXPECT_STREQ(table[0], LabelPath("a").c_str());
  EXPECT_STREQ(table[1], "");
  EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
}

TEST(DeviceDiscovery, MatchRule) {
  struct {
    const char* path;
    bool matches;
  } cases[] = {
      {"\\\\?\\usb#vid_8888&pid_0026&mi_02#x", true},
      {"\\\\?\\usb#VID_8888&PID_0026&MI_02#x", false},  // "mi_02" is looked for in the lower-cased path
      {"\\\\?\\usb#VID_8888&PID_0026&mi_02#x", true},
      {"\\\\?\\usb#vid_8888&pid_0027&mi_02#x", false},
      {"\\\\?\\usb#vid_8888&pid_002", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsLabelPrinterPath(c.path), c.matches) << c.path;
}

struct ReadCase {
  const char* what;
  bool installed;
  bool removedBeforeRead;
  std::vector<unsigned char> sent;
  std::vector<unsigned char> expectedPrefix;  // the rest of the block must keep its fill
  unsigned char fill;
};

TEST(PrinterConfig, ReadsOnePlainReadIntoTheBlock) {
  std::vector<unsigned char> full(300);
  for (size_t i = 0; i < full.size(); ++i) full[i] = static_cast<unsigned char>(i + 1);
  std::vector<unsigned char> twelve(full.begin(), full.begin() + 12);
  ReadCase cases[] = {
      {"a full block: 255 bytes taken", true, false, full, std::vector<unsigned char>(full.begin(), full.begin() + 255), 0},
      {"a short read of 12 bytes", true, false, twelve, twelve, 0},
      {"unplugged between enumeration and read", true, true, full, {}, 0},
      {"a path that does not open leaves the block as it was", false, false, {}, {}, 0xAA},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.what);
    standin::Reset();
    std::string path = LabelPath("r");
    standin::AttachUsbPrintInterface(0, path);
    if (c.installed) standin::InstallDeviceFile(path, c.sent);
    char table[kDevicePathEntries][kDevicePathSize];
    std::memset(table, 0, sizeof(table));
    GetDevicePaths(table);
    if (c.removedBeforeRead) standin::RemoveDeviceFile(path);
    std::vector<unsigned char> block(kPrinterConfigSize + 1, c.fill);
    GetPrinterConfig(table[0], block.data());
    for (size_t i = 0; i < block.size(); ++i) {
      unsigned char expected = i < c.expectedPrefix.size() ? c.expectedPrefix[i] : c.fill;
      ASSERT_EQ(block[i], expected) << "byte " << i;
    }
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
}

}  // namespace
