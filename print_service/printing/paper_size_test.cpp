#include <gtest/gtest.h>

#include "print_service/printing/paper_size.h"
#include "print_service/printing/printer_filter.h"

namespace {

struct PaperCase {
  short quality;
  int width, height;
  int length, paperWidth;
};

TEST(LabelPaperSize, TwelveDotsPerMillimetreFor300And306ElseEightWithLongerLength) {
  const PaperCase cases[] = {
      {306, 600, 300, 500, 250},
      {203, 800, 400, 1005, 500},
      {300, 457, 229, 380, 190},  // quotients truncated
      {-4, 8, 8, 10, 10},         // DMRES_HIGH: 8 dots per millimetre
      {600, 7, 9, 8, 11},         // 7 x 10.05 / 8 = 8.79
  };
  for (const PaperCase& c : cases) {
    orvi::PaperSize p = orvi::LabelPaperSize(c.quality, c.width, c.height);
    EXPECT_EQ(p.length, c.length) << c.quality << " " << c.width;
    EXPECT_EQ(p.width, c.paperWidth) << c.quality << " " << c.height;
  }
}

TEST(LabelPaperSize, OnlySizesThatFitTheSixteenBitFieldsArePrintable) {
  EXPECT_TRUE(orvi::FitsDevMode(orvi::LabelPaperSize(306, 39320, 12)));   // 32766
  EXPECT_FALSE(orvi::FitsDevMode(orvi::LabelPaperSize(306, 39322, 12)));  // 32768
  EXPECT_FALSE(orvi::FitsDevMode(orvi::LabelPaperSize(203, 26085, 8)));   // 32769 along the length
  EXPECT_FALSE(orvi::FitsDevMode(orvi::LabelPaperSize(306, 1, 12)));      // 0 tenths
}

TEST(ApplyLabelPage, LandscapeCustomPaperKeepsOtherFields) {
  DEVMODEW dm{};
  dm.dmFields = DM_PRINTQUALITY;
  dm.dmPrintQuality = 306;
  dm.dmPaperSize = DMPAPER_A4;
  orvi::ApplyLabelPage(dm, orvi::PaperSize{500, 250});
  EXPECT_EQ(dm.dmFields, static_cast<DWORD>(DM_PRINTQUALITY | DM_ORIENTATION | DM_PAPERSIZE |
                                            DM_PAPERLENGTH | DM_PAPERWIDTH));
  EXPECT_EQ(dm.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(dm.dmPaperSize, 0);
  EXPECT_EQ(dm.dmPaperLength, 500);
  EXPECT_EQ(dm.dmPaperWidth, 250);
  EXPECT_EQ(dm.dmPrintQuality, 306);
}

struct QueueCase {
  DWORD attributes;
  const char* name;
  const char* listedInModes;  // one character per mode 0..7
};

TEST(QueuePassesFilter, EightModesOverLocalOnlineAndSupported) {
  const DWORD net = PRINTER_ATTRIBUTE_NETWORK, off = PRINTER_ATTRIBUTE_WORK_OFFLINE;
  const QueueCase cases[] = {
      {0, "ORVI", "11111111"},
      {0, "Q52 Label Printer", "11111111"},
      {0, "ORVI300", "11111111"},
      {0, "Office", "10101010"},
      {0, "q52 label printer", "10101010"},
      {0, "Q52 Label Printer #1", "10101010"},
      {0, "Q52 Label Printer 300DPI", "10101010"},
      {0, "ORVI 300DPI", "10101010"},
      {0, "orvi", "10101010"},
      {off, "ORVI", "11001100"},
      {net, "ORVI", "11110000"},
      {net | off, "ORVI", "11000000"},
      {net | off, "Office", "10000000"},
  };
  for (const QueueCase& c : cases)
    for (int mode = 0; mode < 8; ++mode)
      EXPECT_EQ(orvi::QueuePassesFilter(mode, c.attributes, c.name), c.listedInModes[mode] == '1')
          << c.name << " attributes " << c.attributes << " mode " << mode;
}

TEST(FilterMode, FourLocalTwoOnlineOneSupported) {
  EXPECT_EQ(orvi::FilterMode(false, false, false), 0);
  EXPECT_EQ(orvi::FilterMode(false, true, false), 2);
  EXPECT_EQ(orvi::FilterMode(true, false, true), 5);
  EXPECT_EQ(orvi::FilterMode(true, true, true), 7);
}

}  // namespace
