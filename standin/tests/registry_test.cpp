// The stand-in registry: open/create with disposition, the size protocol of
// RegQueryValueExA, letter case, access rights and denials.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_registry.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
  void TearDown() override { EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles(); }
};

TEST_F(RegistryTest, CreateReportsDispositionAndMakesParents) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\A\\B", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_TRUE(standin::RegistryKeyExists("HKLM\\Software\\A"));
  EXPECT_TRUE(standin::RegistryKeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\a\\b"));
  EXPECT_FALSE(standin::RegistryKeyExists("HKCU\\Software\\A"));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\a\\b", 0, nullptr, 0, KEY_READ, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, OpenFindsOnlyExistingKeysWithoutRegardToCase) {
  standin::CreateRegistryKey("HKCU\\Software\\ORVI");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ORVI", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\orvi", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(RegistryTest, QueryFollowsTheSizeProtocol) {
  standin::SetRegistryString("HKLM\\Software\\ORVI", "Data Directory", "C:\\Data");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ORVI", 0, KEY_READ, &key), ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "data directory", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 8u);  // with the terminating zero

  char small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "Data Directory", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);

  char exact[8] = {};
  size = sizeof exact;
  EXPECT_EQ(RegQueryValueExA(key, "Data Directory", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(exact, "C:\\Data");

  size = sizeof exact;
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, SetStoresStringsAndDwords) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  const char text[] = "abc";
  EXPECT_EQ(RegSetValueExA(key, "S", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);
  DWORD number = 7;
  EXPECT_EQ(RegSetValueExA(key, "D", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(standin::GetRegistryString("HKLM\\Software\\X", "s"), "abc");
  EXPECT_EQ(standin::GetRegistryValue("HKLM\\Software\\X", "S")->data.size(), 4u);
  EXPECT_EQ(standin::GetRegistryDword("HKLM\\Software\\X", "D"), 7u);
  EXPECT_FALSE(standin::GetRegistryDword("HKLM\\Software\\X", "S"));
}

TEST_F(RegistryTest, HandleRightsLimitQueryAndSet) {
  standin::SetRegistryDword("HKLM\\Software\\X", "D", 1);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\X", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD number = 2;
  EXPECT_EQ(RegSetValueExA(key, "D", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
            ERROR_ACCESS_DENIED);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\X", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "D", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_ACCESS_DENIED);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DenialsRefuseOpenAndCreateBelowThePath) {
  struct Case {
    const char* denied;
    standin::RegistryDenial kind;
    REGSAM access;
    LONG open;
    LONG create;
  };
  const Case cases[] = {
      {"HKLM", standin::RegistryDenial::AnyAccess, KEY_READ, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {"HKLM\\Software\\ORVI", standin::RegistryDenial::AnyAccess, KEY_READ, ERROR_ACCESS_DENIED,
       ERROR_ACCESS_DENIED},
      {"HKLM\\Software\\Other", standin::RegistryDenial::AnyAccess, KEY_READ, ERROR_SUCCESS, ERROR_SUCCESS},
      {"HKLM", standin::RegistryDenial::WriteAccess, KEY_READ, ERROR_SUCCESS, ERROR_SUCCESS},
      {"HKLM", standin::RegistryDenial::WriteAccess, 0x2001F, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {"HKCU", standin::RegistryDenial::AnyAccess, KEY_ALL_ACCESS, ERROR_SUCCESS, ERROR_SUCCESS},
  };
  for (const Case& c : cases) {
    standin::Reset();
    standin::CreateRegistryKey("HKLM\\Software\\ORVI");
    standin::DenyRegistryKey(c.denied, c.kind);
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ORVI", 0, c.access, &key);
    EXPECT_EQ(opened, c.open) << c.denied;
    if (opened == ERROR_SUCCESS) RegCloseKey(key);
    LONG created = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\ORVI", 0, nullptr, 0, c.access, nullptr, &key,
                                   nullptr);
    EXPECT_EQ(created, c.create) << c.denied;
    if (created == ERROR_SUCCESS) RegCloseKey(key);
  }
  standin::Reset();
  standin::DenyRegistryKey("HKLM\\Software", standin::RegistryDenial::WriteAccess);
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\New", 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_FALSE(standin::RegistryKeyExists("HKLM\\Software\\New"));
}

TEST_F(RegistryTest, FailCallReturnsThePlannedError) {
  standin::CreateRegistryKey("HKLM\\Software\\ORVI");
  standin::FailCall("RegOpenKeyExA", ERROR_ACCESS_DENIED, 1);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ORVI", 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ORVI", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(standin::CallCount("RegOpenKeyExA"), 2);
}

TEST_F(RegistryTest, DeletedKeysAndValuesAreGone) {
  standin::SetRegistryString("HKLM\\Software\\ORVI\\Sub", "V", "x");
  standin::SetRegistryString("HKLM\\Software\\ORVI", "V", "y");
  standin::DeleteRegistryValue("HKLM\\Software\\ORVI", "v");
  EXPECT_FALSE(standin::GetRegistryString("HKLM\\Software\\ORVI", "V"));
  standin::DeleteRegistryKey("HKLM\\Software\\ORVI");
  EXPECT_FALSE(standin::RegistryKeyExists("HKLM\\Software\\ORVI\\Sub"));
  EXPECT_TRUE(standin::RegistryKeyExists("HKLM\\Software"));
}

}  // namespace
