// Splitting the body, decoding base64 and saving the image file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "platform/win32.h"
#include "print_service/printing/base64_decode.h"
#include "print_service/printing/image_payload.h"
#include "print_service/printing/split_string.h"
#include "print_service/printing/temp_image_file.h"
#include "standin/control.h"
#include "standin/control_shell_folders.h"
#include "support/base64_reference.h"

namespace {

struct SplitCase {
  std::string text;
  std::vector<std::string> pieces;
};

TEST(SplitString, CutsAtEveryDelimiterKeepingEmptyPieces) {
  const SplitCase cases[] = {
      {"a,b,c", {"a", "b", "c"}},
      {"a,", {"a", ""}},
      {",", {"", ""}},
      {"abc", {"abc"}},
      {"", {""}},
      {"data:image/png;base64,QUJD,tail", {"data:image/png;base64", "QUJD", "tail"}},
  };
  for (const SplitCase& c : cases) EXPECT_EQ(orvi::SplitString(c.text, ","), c.pieces) << c.text;
  EXPECT_EQ(orvi::SplitString("a::b", "::"), (std::vector<std::string>{"a", "b"}));
}

struct DecodeCase {
  std::string input;
  std::string bytes;
};

TEST(Base64Decode, GroupsPaddingLineBreaksAndOddInput) {
  const DecodeCase cases[] = {
      {"QUJD", "ABC"},
      {"QUI=", "AB"},
      {"QQ==", "A"},
      {"QUJD\r\nREVG", "ABCDEF"},
      {"QUJD\nREVG\r\n", "ABCDEF"},
      {" QUJ", "\x01\x05\x09"},  // the space is a character of the group
      {"=QUJ", "\x01\x05\x09"},  // "=" first counts as 0
      {"", ""},
      // Short last groups end as if "=" followed; a lone character gives nothing.
      {"QUJ", "AB"},
      {"QU", "A"},
      {"Q", ""},
      {"QUJDQ", "ABC"},
      // Codes above 122 count as 0 and never index outside the table.
      {"\xff\xff\xff\xff", std::string(3, '\0')},
      {"Q\x80JD", std::string("\x40\x02\x43", 3)},
      {"{|}~", std::string(3, '\0')},
  };
  for (const DecodeCase& c : cases)
    EXPECT_EQ(orvi::Base64Decode(c.input.data(), c.input.size()), c.bytes) << c.input;
}

TEST(Base64Decode, NeverReadsPastTheGivenLength) {
  // Only the first two characters belong to the input; the rest must not count.
  const char text[] = "QUJD";
  EXPECT_EQ(orvi::Base64Decode(text, 2), "A");
  EXPECT_EQ(orvi::Base64Decode(text, 3), "AB");
}

TEST(Base64Decode, SameBytesAsTheByteAtATimeDecoderOnRandomText) {
  // Mostly alphabet, with the characters that leave the fast path
  // ("=", CR, LF) and bytes outside the alphabet, at every length up to 64.
  const std::string common = "ABCXYZabcxyz0189+/";
  const std::string rare = "=\r\n \x7f\x80\xff{";
  std::mt19937 random(20261211);
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 65, '\0');
    const unsigned rareChance = 1 + random() % 8;  // in 16
    for (char& c : text)
      c = random() % 16 < rareChance ? rare[random() % rare.size()] : common[random() % common.size()];
    ASSERT_EQ(orvi::Base64Decode(text.data(), text.size()), test_support::ByteAtATimeDecode(text))
        << testing::PrintToString(text);
  }
}

TEST(TempImagePath, ParentOfTheDocumentsFolderWithDoubledSeparator) {
  EXPECT_EQ(orvi::TempImagePathFromDocuments(L"C:\\Users\\Public\\Documents"),
            std::wstring(L"C:\\Users\\Public\\\\tempOV.JPG"));
  EXPECT_EQ(orvi::TempImagePathFromDocuments(L"Docs"), std::wstring(L"Docs\\tempOV.JPG"));
  const std::wstring longest(259 - 11, L'a');  // plus "\tempOV.JPG" is 259 units
  EXPECT_TRUE(orvi::TempImagePathFromDocuments(longest));
  EXPECT_FALSE(orvi::TempImagePathFromDocuments(longest + L"a"));
}

class SaveImagePayloadTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
  void TearDown() override {
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
  static std::filesystem::path File() {
    return standin::MapPath(std::string("C:\\Users\\Public\\tempOV.JPG"));
  }
  static std::string FileBytes() {
    std::ifstream in(File(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::string Save(const std::string& body) {
    testing::internal::CaptureStdout();
    orvi::SaveImagePayload(body);
    return testing::internal::GetCapturedStdout();
  }
};

constexpr const char* kSaved = "Picture file is saved to tempOV.JPG.\npic file is save to tempOV\n";

TEST_F(SaveImagePayloadTest, SavesPieceOneDecodedAndReplacesTheWholeFile) {
  EXPECT_EQ(Save("data:image/png;base64,QUJDREVG"), kSaved);
  EXPECT_EQ(FileBytes(), "ABCDEF");
  EXPECT_EQ(Save("anything,QUJD,more,text"), kSaved);
  EXPECT_EQ(FileBytes(), "ABC");  // no tail of the longer image
  EXPECT_EQ(Save("header,"), kSaved);
  EXPECT_TRUE(std::filesystem::exists(File()));
  EXPECT_EQ(FileBytes(), "");
}

TEST_F(SaveImagePayloadTest, EmptyBodyOrNoCommaLeavesTheFileUntouched) {
  Save("h,QUJD");
  for (const char* body : {"", "QUJDREVG"}) {
    EXPECT_EQ(Save(body), " pic data is empty \n") << body;
    EXPECT_EQ(FileBytes(), "ABC");
  }
}

TEST_F(SaveImagePayloadTest, FolderLookupFailureWritesNothing) {
  standin::FailCall("SHGetFolderPathW", ERROR_ACCESS_DENIED);
  EXPECT_EQ(Save("h,QUJD"), "Failed to retrieve Common Documents folder path.\n");
  EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(SaveImagePayloadTest, PathLongerThanMaxPathIsRefused) {
  standin::SetFolderPath(CSIDL_COMMON_DOCUMENTS, L"C:\\" + std::wstring(250, L'd') + L"\\Docs");
  EXPECT_EQ(Save("h,QUJD"), "Image file path is longer than MAX_PATH; not used.\n");
  EXPECT_EQ(standin::CallCount("_wfopen"), 0);
}

TEST_F(SaveImagePayloadTest, OpenFailureSkipsOnlyTheSavedLine) {
  standin::FailCall("_wfopen", ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Save("h,QUJD"), "pic file is save to tempOV\n");
  EXPECT_FALSE(std::filesystem::exists(File()));
}

}  // namespace
