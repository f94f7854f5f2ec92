// The per-queue file-name rule: plain names only, and nothing formed that
// does not fit the 256-byte buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings_store/settings_store.h"

namespace {

TEST(QueueFilesTest, FormsPathsOfPlainNamesThatFit) {
  const std::string dir = "C:\\ProgramData\\ORVI";
  const std::string longDir(200, 'd');
  struct Case {
    std::string dir;
    std::string name;
    orvi::QueueFile kind;
    orvi::QueueFilePath result;
    std::string path;
  };
  const Case cases[] = {
      {dir, "B 300DPI #1", orvi::QueueFile::Settings, orvi::QueueFilePath::Formed,
       "C:\\ProgramData\\ORVI\\B 300DPI #1.ini"},
      {dir, "B 300DPI #1", orvi::QueueFile::Config, orvi::QueueFilePath::Formed,
       "C:\\ProgramData\\ORVI\\B 300DPI #1.bin"},
      {dir, "a.b..c", orvi::QueueFile::Settings, orvi::QueueFilePath::Formed, "C:\\ProgramData\\ORVI\\a.b..c.ini"},
      {dir, "..\\..\\Windows\\win", orvi::QueueFile::Settings, orvi::QueueFilePath::NotAPlainName, ""},
      {dir, "\\\\server\\queue", orvi::QueueFile::Settings, orvi::QueueFilePath::NotAPlainName, ""},
      {dir, "a/b", orvi::QueueFile::Settings, orvi::QueueFilePath::NotAPlainName, ""},
      {dir, "C:evil", orvi::QueueFile::Settings, orvi::QueueFilePath::NotAPlainName, ""},
      {dir, "name:stream", orvi::QueueFile::Config, orvi::QueueFilePath::NotAPlainName, ""},
      {dir, "..", orvi::QueueFile::Settings, orvi::QueueFilePath::NotAPlainName, ""},
      {dir, ".", orvi::QueueFile::Settings, orvi::QueueFilePath::NotAPlainName, ""},
      // 200 + 1 + 50 + 4 = 255 characters fit; one more does not.
      {longDir, std::string(50, 'n'), orvi::QueueFile::Settings, orvi::QueueFilePath::Formed,
       longDir + "\\" + std::string(50, 'n') + ".ini"},
      {longDir, std::string(51, 'n'), orvi::QueueFile::Settings, orvi::QueueFilePath::TooLong, ""},
      {std::string(255, 'd'), "n", orvi::QueueFile::Config, orvi::QueueFilePath::TooLong, ""},
  };
  for (const Case& c : cases) {
    char out[orvi::kPathBufferSize];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(orvi::FormQueueFilePath(c.dir.c_str(), c.name.c_str(), c.kind, out), c.result) << c.name;
    EXPECT_EQ(std::string(out), c.path) << c.name;
  }
}

}  // namespace
