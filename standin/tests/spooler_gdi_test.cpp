// The wide spooler calls, printer DCs and the drawing calls the label job uses.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win32.h"
#include "standin/control.h"
#include "standin/control_shell_folders.h"
#include "standin/control_spooler.h"

namespace {

class SpoolerGdiTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
  void TearDown() override {
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << standin::DescribeOpenHandles();
  }
};

TEST_F(SpoolerGdiTest, EnumPrintersSizeQueryThenOneBufferHoldingRecordsAndStrings) {
  standin::Queue net = standin::MakeQueue(L"Net");
  net.serverName = L"\\\\server";
  net.attributes = PRINTER_ATTRIBUTE_NETWORK;
  standin::InstallQueue(standin::MakeQueue(L"ORVI"));
  standin::InstallQueue(net);

  DWORD needed = 0, returned = 7;
  SetLastError(0);
  EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(returned, 0u);
  ASSERT_GT(needed, 2 * sizeof(PRINTER_INFO_2W));

  std::vector<BYTE> buffer(needed);
  EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed - 1, &needed,
                             &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  ASSERT_TRUE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed,
                            &returned));
  ASSERT_EQ(returned, 2u);
  auto* records = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
  EXPECT_EQ(std::wstring(records[0].pPrinterName), L"ORVI");
  EXPECT_EQ(records[0].pServerName, nullptr);
  EXPECT_EQ(std::wstring(records[1].pPrinterName), L"Net");
  EXPECT_EQ(std::wstring(records[1].pServerName), L"\\\\server");
  EXPECT_EQ(records[1].Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_NETWORK));
  const BYTE* end = buffer.data() + buffer.size();
  for (DWORD i = 0; i < returned; ++i) {
    auto* name = reinterpret_cast<const BYTE*>(records[i].pPrinterName);
    EXPECT_GE(name, buffer.data() + 2 * sizeof(PRINTER_INFO_2W));
    EXPECT_LT(name, end);
    EXPECT_EQ(records[i].pDevMode->dmPrintQuality, 300);
  }
}

TEST_F(SpoolerGdiTest, EnumPrintersWithNoQueueSucceedsEmpty) {
  DWORD needed = 1, returned = 1;
  EXPECT_TRUE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(returned, 0u);
}

TEST_F(SpoolerGdiTest, DocumentPropertiesMergesIntoTheOutputOnly) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
  HANDLE printer = nullptr;
  WCHAR name[] = L"ORVI";
  ASSERT_TRUE(OpenPrinterW(name, &printer, nullptr));
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer, name, nullptr, nullptr, 0),
            static_cast<LONG>(sizeof(DEVMODEW)));

  DEVMODEW in{};
  in.dmFields = DM_ORIENTATION | DM_PAPERLENGTH;
  in.dmOrientation = DMORIENT_LANDSCAPE;
  in.dmPaperLength = 500;
  in.dmPaperWidth = 123;  // not named in dmFields: not merged
  DEVMODEW out{};
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer, name, &out, &in, DM_IN_BUFFER | DM_OUT_BUFFER),
            IDOK);
  EXPECT_EQ(out.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(out.dmPaperLength, 500);
  EXPECT_EQ(out.dmPaperWidth, 0);
  EXPECT_EQ(out.dmPrintQuality, 306);
  EXPECT_TRUE(out.dmFields & DM_PAPERLENGTH);

  DEVMODEW plain{};
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer, name, &plain, nullptr, DM_OUT_BUFFER), IDOK);
  EXPECT_EQ(plain.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(standin::FindQueue(L"ORVI")->devmode.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_TRUE(ClosePrinter(printer));
  EXPECT_LT(DocumentPropertiesW(nullptr, printer, name, nullptr, nullptr, 0), 0);
}

DEVMODEW LandscapeCustom(short quality, short length, short width) {
  DEVMODEW dm = standin::DefaultDevMode(L"ORVI", quality);
  dm.dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
  dm.dmOrientation = DMORIENT_LANDSCAPE;
  dm.dmPaperSize = 0;
  dm.dmPaperLength = length;
  dm.dmPaperWidth = width;
  return dm;
}

TEST_F(SpoolerGdiTest, ResetDcTurnsThePhysicalPageToTheCustomLandscapePaper) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
  HDC dc = CreateDCW(nullptr, L"ORVI", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 306);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 2550);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 3300);
  DEVMODEW dm = LandscapeCustom(306, 500, 250);
  EXPECT_EQ(ResetDCW(dc, &dm), dc);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 602);  // 50 mm at 306 dpi
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 301);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(CreateDCW(nullptr, L"Missing", nullptr, nullptr), nullptr);
}

HBITMAP MakeDib(int width, int height, int bits, void** pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bits);
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, pixels, nullptr, 0);
}

TEST_F(SpoolerGdiTest, JobRecordsThePageWithCopiedAndBlendedPixels) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI", 306));
  HDC dc = CreateDCW(nullptr, L"ORVI", nullptr, nullptr);
  DEVMODEW dm = LandscapeCustom(306, 100, 50);  // 120 x 60 dots
  ASSERT_EQ(ResetDCW(dc, &dm), dc);
  DOCINFOW doc{sizeof(DOCINFOW), L"orvi label", nullptr, nullptr, 0};
  EXPECT_GT(StartDocW(dc, &doc), 0);
  ASSERT_GT(StartPage(dc), 0);

  void* bits = nullptr;
  HBITMAP opaque = MakeDib(3, 2, 24, &bits);  // stride 12 bytes
  ASSERT_NE(opaque, nullptr);
  auto* p = static_cast<BYTE*>(bits);
  p[0] = 0x11; p[1] = 0x22; p[2] = 0x33;        // (0,0)
  p[12 + 6] = 0x44; p[12 + 7] = 0x55; p[12 + 8] = 0x66;  // (2,1)
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, opaque);
  EXPECT_TRUE(StretchBlt(dc, 0, 0, 3, 2, mem, 0, 0, 3, 2, SRCCOPY));

  HBITMAP alpha = MakeDib(1, 1, 32, &bits);
  auto* a = static_cast<BYTE*>(bits);
  a[0] = 0; a[1] = 0; a[2] = 0x80; a[3] = 0x80;  // premultiplied half-opaque red
  SelectObject(mem, alpha);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  EXPECT_TRUE(AlphaBlend(dc, 10, 10, 1, 1, mem, 0, 0, 1, 1, blend));
  EXPECT_FALSE(AlphaBlend(dc, 10, 10, 2, 2, mem, 0, 0, 2, 2, blend));  // outside the source
  EXPECT_FALSE(DeleteObject(alpha));                                    // still selected
  SelectObject(mem, old);
  EXPECT_TRUE(DeleteObject(opaque));
  EXPECT_TRUE(DeleteObject(alpha));
  EXPECT_TRUE(DeleteDC(mem));

  EXPECT_GT(EndPage(dc), 0);
  EXPECT_GT(EndDoc(dc), 0);
  EXPECT_TRUE(DeleteDC(dc));

  auto jobs = standin::Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].docName, L"orvi label");
  EXPECT_TRUE(jobs[0].ended);
  EXPECT_EQ(jobs[0].devmode.dmOrientation, DMORIENT_LANDSCAPE);
  ASSERT_EQ(jobs[0].pages.size(), 1u);
  const standin::Page& page = jobs[0].pages[0];
  EXPECT_EQ(page.width, 120);
  EXPECT_EQ(page.height, 60);
  EXPECT_EQ(page.At(0, 0), 0xFF332211u);
  EXPECT_EQ(page.At(2, 1), 0xFF665544u);
  EXPECT_EQ(page.At(1, 0), 0xFF000000u);
  EXPECT_EQ(page.At(3, 0), 0xFFFFFFFFu);
  EXPECT_EQ(page.At(10, 10), 0xFFFF7F7Fu);  // 0x80 + 255 * 0x7F / 255 over white
}

TEST_F(SpoolerGdiTest, AbortedAndAbandonedDocumentsAreMarked) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI"));
  DOCINFOW doc{sizeof(DOCINFOW), L"x", nullptr, nullptr, 0};
  HDC dc = CreateDCW(nullptr, L"ORVI", nullptr, nullptr);
  EXPECT_LT(StartPage(dc), 0);  // no document yet
  EXPECT_EQ(StartDocW(dc, &doc), 1);
  EXPECT_GT(AbortDoc(dc), 0);
  EXPECT_EQ(StartDocW(dc, &doc), 2);
  EXPECT_TRUE(DeleteDC(dc));
  auto jobs = standin::Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_TRUE(jobs[0].aborted);
  EXPECT_TRUE(jobs[1].aborted);
  EXPECT_FALSE(jobs[1].ended);
}

// An open job is never dropped, and job numbers keep counting past the
// dropped ones, so each DC still closes its own record.
TEST_F(SpoolerGdiTest, JobLimitKeepsTheLastEndedJobs) {
  standin::InstallQueue(standin::MakeQueue(L"ORVI"));
  standin::SetJobLimit(2);
  DOCINFOW open{sizeof(DOCINFOW), L"open", nullptr, nullptr, 0};
  DOCINFOW doc{sizeof(DOCINFOW), L"x", nullptr, nullptr, 0};
  HDC held = CreateDCW(nullptr, L"ORVI", nullptr, nullptr);
  HDC dc = CreateDCW(nullptr, L"ORVI", nullptr, nullptr);
  EXPECT_EQ(StartDocW(held, &open), 1);
  for (int job = 2; job <= 4; ++job) {
    EXPECT_EQ(StartDocW(dc, &doc), job);
    EXPECT_GT(EndDoc(dc), 0);
  }
  EXPECT_EQ(standin::Jobs().size(), 4u) << "the open first job holds the older ones";
  EXPECT_GT(EndDoc(held), 0);
  auto jobs = standin::Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].docName, L"x");
  EXPECT_TRUE(jobs[1].ended);
  EXPECT_EQ(StartDocW(dc, &doc), 5);
  EXPECT_GT(AbortDoc(dc), 0);
  EXPECT_EQ(standin::Jobs().size(), 2u);
  EXPECT_TRUE(standin::Jobs()[1].aborted);
  EXPECT_TRUE(DeleteDC(held));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST_F(SpoolerGdiTest, CommonDocumentsFolderAndWideOpenOnTheMappedDrive) {
  WCHAR path[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, path),
            S_OK);
  EXPECT_EQ(std::wstring(path), L"C:\\Users\\Public\\Documents");
  FILE* f = _wfopen(L"C:\\Users\\Public\\\\x.bin", L"wb");
  ASSERT_NE(f, nullptr);
  std::fputs("ab", f);
  std::fclose(f);
  EXPECT_EQ(std::filesystem::file_size(standin::MapPath(std::string("C:\\Users\\Public\\x.bin"))),
            2u);
  standin::FailCall("SHGetFolderPathW", ERROR_ACCESS_DENIED, 1);
  EXPECT_TRUE(FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, 0, path)));
  standin::SetFolderPath(CSIDL_COMMON_DOCUMENTS, L"D:\\Docs");
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, 0, path), S_OK);
  EXPECT_EQ(std::wstring(path), L"D:\\Docs");
}

}  // namespace
