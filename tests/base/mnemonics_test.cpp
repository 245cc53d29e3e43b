#include "base/mnemonics.h"

#include <gtest/gtest.h>

namespace {

TEST(MnemonicsTest, MnemonicAmpersandsAreNotShown) {
  EXPECT_EQ(StripMnemonics("C:\\R&D\\NUV.MDB"), "C:\\RD\\NUV.MDB");
  EXPECT_EQ(StripMnemonics("Tom && Jerry"), "Tom & Jerry");
  EXPECT_EQ(StripMnemonics("fin&"), "fin");
  EXPECT_EQ(StripMnemonics("&&&x"), "&x");
}

}  // namespace
