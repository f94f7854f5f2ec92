#include "print_service/printing/widen_name.h"

#include <gtest/gtest.h>

namespace {

TEST(WidenName, OneUnitPerByteWithTheByteValue) {
  const std::string name = std::string("B 300DPI #1") + "\xE6\x97\xA5" + std::string(1, '\xFF');
  auto wide = orvi::WidenName(name);
  for (size_t i = 0; i < name.size(); ++i)
    EXPECT_EQ(static_cast<unsigned>(wide[i]), static_cast<unsigned char>(name[i])) << i;
  EXPECT_EQ(wide[name.size()], 0);
}

TEST(WidenName, EmptyNameGivesJustTheTerminator) { EXPECT_EQ(orvi::WidenName("")[0], 0); }

}  // namespace
