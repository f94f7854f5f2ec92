// The stand-in profile API: reading with defaults, truncation, trimming and
// letter case; writing in place, appending, creating; CRLF files.
#include <gtest/gtest.h>

#include <fstream>
#include <cstring>
#include <sstream>

#include "platform/win32.h"
#include "standin/control.h"

namespace {

const char kFile[] = "C:\\Data\\p.ini";

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    std::filesystem::create_directories(standin::MapPath(std::string("C:\\Data")));
  }
  static void Put(const std::string& text) {
    std::ofstream(standin::MapPath(std::string(kFile)), std::ios::binary) << text;
  }
  static std::string Content() {
    std::ifstream in(standin::MapPath(std::string(kFile)), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(ProfileTest, ReadsValuesAsWindowsDoes) {
  Put("[Print Settings]\r\n  resolution =  306 \r\nEmpty=\r\nQuoted=\" a b \"\r\nLong=0123456789\r\n"
      "[Other]\r\nResolution=1\r\n");
  struct Case {
    const char* section;
    const char* key;
    const char* fallback;
    DWORD size;
    DWORD result;
    const char* text;
  };
  const Case cases[] = {
      {"Print Settings", "Resolution", "0", 32, 3, "306"},
      {"print settings", "RESOLUTION", "0", 32, 3, "306"},
      {"Print Settings", "Empty", "0", 32, 0, ""},
      {"Print Settings", "Quoted", "", 32, 5, " a b "},
      {"Print Settings", "Long", "", 5, 4, "0123"},
      {"Print Settings", "Missing", "0", 32, 1, "0"},
      {"Print Settings", "Missing", "dflt  ", 32, 4, "dflt"},
      {"Print Settings", "Missing", "default", 4, 3, "def"},
      {"Absent", "Resolution", "0", 32, 1, "0"},
      {"Other", "Resolution", "0", 32, 1, "1"},
  };
  for (const Case& c : cases) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetPrivateProfileStringA(c.section, c.key, c.fallback, buffer, c.size, kFile), c.result)
        << c.section << "/" << c.key;
    EXPECT_STREQ(buffer, c.text) << c.section << "/" << c.key;
  }
}

TEST_F(ProfileTest, MissingFileGivesTheDefault) {
  char buffer[32];
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "0", buffer, sizeof buffer, "C:\\Nowhere\\x.ini"), 1u);
  EXPECT_STREQ(buffer, "0");
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", nullptr, buffer, sizeof buffer, kFile), 0u);
  EXPECT_STREQ(buffer, "");
}

TEST_F(ProfileTest, WriteCreatesTheFileWithCrlfLines) {
  ASSERT_TRUE(WritePrivateProfileStringA("Print Settings", "Resolution", "306", kFile));
  ASSERT_TRUE(WritePrivateProfileStringA("Print Settings", "Speed", "4", kFile));
  EXPECT_EQ(Content(), "[Print Settings]\r\nResolution=306\r\nSpeed=4\r\n");
}

TEST_F(ProfileTest, WriteUpdatesInPlaceAndKeepsEverythingElse) {
  Put("; note\r\n[A]\r\nx=1\r\n\r\n[Print Settings]\r\nResolution=203\r\nForeign=keep\r\n\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("print settings", "RESOLUTION", "306", kFile));
  ASSERT_TRUE(WritePrivateProfileStringA("Print Settings", "Speed", "4", kFile));
  ASSERT_TRUE(WritePrivateProfileStringA("C", "z", "3", kFile));
  EXPECT_EQ(Content(),
            "; note\r\n[A]\r\nx=1\r\n\r\n[Print Settings]\r\nResolution=306\r\nForeign=keep\r\nSpeed=4\r\n\r\n"
            "[B]\r\ny=2\r\n[C]\r\nz=3\r\n");
}

TEST_F(ProfileTest, WriteDeletesKeysAndSections) {
  Put("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("A", "x", nullptr, kFile));
  ASSERT_TRUE(WritePrivateProfileStringA("B", nullptr, nullptr, kFile));
  EXPECT_EQ(Content(), "[A]\r\ny=2\r\n");
}

TEST_F(ProfileTest, WriteFailsWithoutTheDirectoryOrWithABadName) {
  SetLastError(0);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", "C:\\Nowhere\\x.ini"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(std::filesystem::exists(standin::MapPath(std::string("C:\\Nowhere"))));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", "C:\\Data\\a|b.ini"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST_F(ProfileTest, ListsSectionAndKeyNames) {
  Put("[A]\r\nx=1\r\ny=2\r\n[B]\r\n");
  char buffer[32];
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, kFile), 4u);
  EXPECT_EQ(std::string(buffer, 5), std::string("A\0B\0\0", 5));
  EXPECT_EQ(GetPrivateProfileStringA("a", nullptr, "", buffer, sizeof buffer, kFile), 4u);
  EXPECT_EQ(std::string(buffer, 5), std::string("x\0y\0\0", 5));
}

}  // namespace
