// The label print job on the stand-in spooler: what reaches the page, the
// log, and release of every handle on every path.
#include <gtest/gtest.h>

#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "print_service/printing/image.h"
#include "print_service/printing/print_label.h"
#include "standin/control.h"
#include "standin/control_spooler.h"
#include "support/test_support.h"

namespace {

using test_support::Cp936;

std::filesystem::path ImageFile() {
  return standin::MapPath(std::string("C:\\Users\\Public\\tempOV.JPG"));
}

// A test picture with distinct colours in every row and column, so a shift
// or a flip by one pixel shows.
std::vector<uint8_t> Pattern(int width, int height, int channels) {
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * channels);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(y) * width + x) * channels];
      p[0] = static_cast<uint8_t>(x * 5);
      if (channels >= 3) {
        p[1] = static_cast<uint8_t>(y * 9);
        p[2] = static_cast<uint8_t>((x * 3 + y * 7) & 0xFF);
      }
      if (channels == 4) p[3] = static_cast<uint8_t>((x + y) % 3 == 0 ? 255 : x * 4 + y);
      if (channels == 2) p[1] = static_cast<uint8_t>(y * 10);
    }
  return px;
}

enum class Format { Png, Jpeg, Bmp, PngAlpha, PngOpaqueAlpha };

// Writes the picture as the image file and returns the colours a one to one
// print must show (ARGB over white paper).
std::vector<uint32_t> WriteImage(Format format, int width, int height) {
  std::filesystem::create_directories(ImageFile().parent_path());
  const std::string path = ImageFile().string();
  const int channels = format == Format::PngAlpha || format == Format::PngOpaqueAlpha ? 4 : 3;
  std::vector<uint8_t> px = Pattern(width, height, channels);
  if (format == Format::PngOpaqueAlpha)
    for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
  switch (format) {
    case Format::Png:
    case Format::PngAlpha:
    case Format::PngOpaqueAlpha:
      stbi_write_png(path.c_str(), width, height, channels, px.data(), width * channels);
      break;
    case Format::Jpeg: stbi_write_jpg(path.c_str(), width, height, 3, px.data(), 95); break;
    case Format::Bmp: stbi_write_bmp(path.c_str(), width, height, 3, px.data()); break;
  }
  if (format == Format::Jpeg) {  // lossy: expect what a decoder makes of the file
    int w = 0, h = 0, n = 0;
    stbi_uc* decoded = stbi_load(path.c_str(), &w, &h, &n, 3);
    px.assign(decoded, decoded + static_cast<size_t>(w) * h * 3);
    stbi_image_free(decoded);
  }
  std::vector<uint32_t> expected;
  for (size_t i = 0; i < px.size(); i += channels) {
    const double a = channels == 4 ? px[i + 3] / 255.0 : 1.0;
    uint32_t argb = 0xFF000000u;
    for (int c = 0; c < 3; ++c) {
      const double v = px[i + c] * a + 255.0 * (1.0 - a);
      argb |= static_cast<uint32_t>(std::lround(v)) << (16 - 8 * c);
    }
    expected.push_back(argb);
  }
  return expected;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8)
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
        tolerance)
      return false;
  return true;
}

class PrintLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
  }
  void TearDown() override {
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
  std::string Print(const std::string& name) {
    testing::internal::CaptureStdout();
    orvi::PrintLabelImage(name);
    return testing::internal::GetCapturedStdout();
  }
};

const std::string kCaps306 =
    Cp936("打印机分辨率: 306x306 DPI\n打印机物理分辨率: 2550x3300 pixels\n");

struct FormatCase {
  Format format;
  short quality;
  int tolerance;  // colour difference allowed: blending rounds once more than the reference
  bool deviceCannotBlend;
  int alphaBlendCalls;
};

TEST_F(PrintLabelTest, EachFormatLandsOnePixelPerDotAtTheTopLeft) {
  const FormatCase cases[] = {
      {Format::Png, 306, 0, false, 0},
      {Format::Bmp, 306, 0, false, 0},
      {Format::Jpeg, 203, 0, false, 0},
      {Format::PngAlpha, 300, 1, false, 1},
      // A driver without blending gets the picture composed over white paper.
      {Format::PngAlpha, 306, 1, true, 1},
      // An alpha channel that is opaque everywhere is copied, not blended.
      {Format::PngOpaqueAlpha, 306, 0, false, 0},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format) * 10 + c.deviceCannotBlend);
    standin::Reset();
    if (c.deviceCannotBlend) standin::FailCall("AlphaBlend", ERROR_NOT_SUPPORTED);
    standin::Queue queue = standin::MakeQueue(L"ORVI", c.quality);
    if (c.quality == 300) queue.caps.logPixelsX = queue.caps.logPixelsY = 306;
    standin::InstallQueue(queue);
    const int width = 48, height = 24;
    const std::vector<uint32_t> expected = WriteImage(c.format, width, height);
    Print("ORVI");
    auto jobs = standin::Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    ASSERT_EQ(jobs[0].pages.size(), 1u);
    EXPECT_TRUE(jobs[0].ended);
    const standin::Page& page = jobs[0].pages[0];
    ASSERT_GE(page.width, width);
    ASSERT_GE(page.height, height);
    int wrong = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (!Near(page.At(x, y), expected[static_cast<size_t>(y) * width + x], c.tolerance) &&
            ++wrong <= 3)
          ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << page.At(x, y)
                        << " expected " << expected[static_cast<size_t>(y) * width + x];
    for (int x = width; x < page.width; ++x) EXPECT_EQ(page.At(x, 0), 0xFFFFFFFFu);
    EXPECT_EQ(standin::CallCount("AlphaBlend"), c.alphaBlendCalls);
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
}

TEST_F(PrintLabelTest, LandscapeLabelPaperOnTheJobAndTheQueueDefaultUnchanged) {
  const DEVMODEW before = standin::FindQueue(L"ORVI")->devmode;
  WriteImage(Format::Png, 600, 300);
  const std::string log = Print("ORVI");
  EXPECT_EQ(log, kCaps306 + "500  250" +
                     Cp936("打印质量设置1: 306\n作业编号：1\n1--位图大小：600 x 300\n"
                           "打印顺利完成了. o(∩_∩)o \n打印质量设置2: 306\n"));
  auto jobs = standin::Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].queue, L"ORVI");
  EXPECT_EQ(jobs[0].docName, L"orvi label");
  EXPECT_EQ(jobs[0].devmode.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(jobs[0].devmode.dmPaperSize, 0);
  EXPECT_EQ(jobs[0].devmode.dmPaperLength, 500);
  EXPECT_EQ(jobs[0].devmode.dmPaperWidth, 250);
  EXPECT_EQ(jobs[0].devmode.dmPrintQuality, 306);
  const DEVMODEW after = standin::FindQueue(L"ORVI")->devmode;
  EXPECT_EQ(std::memcmp(&before, &after, sizeof(DEVMODEW)), 0);
}

TEST_F(PrintLabelTest, EmptyNameUsesOrviAndNonAsciiBytesDoNotReachTheQueue) {
  standin::InstallQueue(standin::MakeQueue(L"日"));
  WriteImage(Format::Png, 12, 12);
  Print("");
  ASSERT_EQ(standin::Jobs().size(), 1u);
  EXPECT_EQ(standin::Jobs()[0].queue, L"ORVI");
  EXPECT_EQ(Print("\xE6\x97\xA5"), Cp936("无法打开打印机: ") + "1801\n");
  EXPECT_EQ(standin::Jobs().size(), 1u);
}

struct FailureCase {
  const char* call;
  int skip;
  std::string log;  // the whole log for the 48 x 24 picture at 306 dpi
  enum { NoJob, Aborted } job;
};

TEST_F(PrintLabelTest, EveryFailingCallReleasesEverythingAndSendsNoBrokenJob) {
  const std::string applied = kCaps306 + "40  20" + Cp936("打印质量设置1: 306\n");
  const std::string noImage = kCaps306 + "Could not load the image tempOV.JPG; nothing printed.\n";
  const FailureCase cases[] = {
      {"OpenPrinterW", 0, Cp936("无法打开打印机: ") + "5\n", FailureCase::NoJob},
      {"DocumentPropertiesW", 0, "Could not read the printer's device mode: size -1\n",
       FailureCase::NoJob},
      {"DocumentPropertiesW", 1, "Could not read the printer's device mode: 5\n",
       FailureCase::NoJob},
      {"GlobalAlloc", 0, "Could not read the printer's device mode: 5\n", FailureCase::NoJob},
      {"GlobalLock", 0, "Could not read the printer's device mode: 5\n", FailureCase::NoJob},
      {"CreateDCW", 0, "Could not create printer DC: 5\n", FailureCase::NoJob},
      {"SHGetFolderPathW", 0, kCaps306 + "Failed to retrieve Common Documents folder path.\n",
       FailureCase::NoJob},
      {"_wfopen", 0, noImage, FailureCase::NoJob},
      {"CreateDIBSection", 0, noImage, FailureCase::NoJob},
      {"StartDocW", 0,
       applied + Cp936("StartDoc 错误，错误代码：5 | work id:-1\n作业编号：-1\nStartPage 错误\n"),
       FailureCase::NoJob},
      {"StartPage", 0, applied + Cp936("作业编号：1\nStartPage 错误\n"), FailureCase::Aborted},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " skip " + std::to_string(c.skip));
    standin::Reset();
    standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
    WriteImage(Format::Png, 48, 24);
    standin::FailCall(c.call, ERROR_ACCESS_DENIED, 1, c.skip);
    EXPECT_EQ(Print("ORVI"), c.log);
    auto jobs = standin::Jobs();
    if (c.job == FailureCase::NoJob) {
      EXPECT_TRUE(jobs.empty());
    } else {
      ASSERT_EQ(jobs.size(), 1u);
      EXPECT_TRUE(jobs[0].aborted);
      EXPECT_TRUE(jobs[0].pages.empty());
    }
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
}

TEST_F(PrintLabelTest, NoImageToPrintEndsBeforeTheDocument) {
  const std::string noImage = kCaps306 + "Could not load the image tempOV.JPG; nothing printed.\n";
  EXPECT_EQ(Print("ORVI"), noImage);  // no file yet
  std::filesystem::create_directories(ImageFile().parent_path());
  // Formats the platform's decoder does not read are refused on every
  // machine, among them a few bytes of PNM that would stand for a 15000 x
  // 15000 picture and a whole, valid TGA.
  const std::string tga = std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x18\0", 18) + std::string(12, '\x40');
  for (const std::string& content : {std::string(), std::string("ABC not an image"),
                                     std::string("P5\n15000 15000\n255\n\x01\x02"), tga}) {
    std::ofstream(ImageFile(), std::ios::binary) << content;
    EXPECT_EQ(Print("ORVI"), noImage) << testing::PrintToString(content);
  }
  EXPECT_EQ(standin::CallCount("StartDocW"), 0);
}

TEST(ImageFormat, OnlyThePlatformDecodersFormatsAreTaken) {
  const struct {
    std::string head;
    bool taken;
  } cases[] = {
      {"\x89PNG\r\n\x1a\n", true},  {"\xff\xd8\xff\xe0", true}, {"BM6\0", true},
      {"GIF87a", true},              {"GIF89a", true},           {"\x89PNG\r\n\x1a", false},
      {"\xff\xd8", false},           {"B", false},               {"GIF88a", false},
      {"P5\n4 4", false},            {"8BPS", false},            {"#?RADIANCE", false},
      {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(orvi::IsSupportedImageFormat(reinterpret_cast<const uint8_t*>(c.head.data()), c.head.size()),
              c.taken)
        << testing::PrintToString(c.head);
}

TEST_F(PrintLabelTest, ImageTooLongForThePaperFieldIsNotPrinted) {
  WriteImage(Format::Png, 39330, 12);
  EXPECT_EQ(Print("ORVI"),
            kCaps306 + "Image of 39330 x 12 pixels has no paper size; nothing printed.\n");
  EXPECT_EQ(standin::CallCount("StartDocW"), 0);
  EXPECT_EQ(standin::CallCount("ResetDCW"), 0);
}

}  // namespace
