// SetupAPI enumeration of the attached USB printer interfaces.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_setupapi.h"

namespace {

class SetupApiTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
  void TearDown() override { EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles(); }
};

TEST_F(SetupApiTest, DetailRecordHasTheFixedSizeOfA32BitProcess) {
  EXPECT_EQ(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A), 5u);
}

TEST_F(SetupApiTest, EnumeratesBySizeQueryThenBufferUntilTheFirstGap) {
  standin::AttachUsbPrintInterface(0, "\\\\?\\usb#one");
  standin::AttachUsbPrintInterface(1, "\\\\?\\usb#two");
  standin::AttachUsbPrintInterface(3, "\\\\?\\usb#after-gap");
  HDEVINFO set = SetupDiGetClassDevsA(&standin::UsbPrintInterfaceClass(), nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  standin::DetachUsbPrintInterface(0);  // the set is a snapshot
  std::vector<std::string> paths;
  for (DWORD i = 0;; ++i) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &standin::UsbPrintInterfaceClass(), i, &data)) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
      break;
    }
    DWORD required = 0;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::vector<char> buffer(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = 8;  // a 64-bit size is refused
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
    paths.push_back(buffer.data() + 4);
  }
  EXPECT_EQ(paths, (std::vector<std::string>{"\\\\?\\usb#one", "\\\\?\\usb#two"}));
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
}

TEST_F(SetupApiTest, OtherClassesListNothing) {
  standin::AttachUsbPrintInterface(0, "\\\\?\\usb#one");
  GUID other = standin::UsbPrintInterfaceClass();
  other.Data1 ^= 1;
  HDEVINFO set = SetupDiGetClassDevsA(&other, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof(data);
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &other, 0, &data));
  SetupDiDestroyDeviceInfoList(set);
}

}  // namespace
