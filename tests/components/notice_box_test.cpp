#include "components/notice_box.h"

#include <gtest/gtest.h>

namespace {

TEST(NoticeBoxTextTest, MnemonicAmpersandsAreNotShown) {
  EXPECT_EQ(StripMnemonics("C:\\R&D\\NUV.MDB"), "C:\\RD\\NUV.MDB");
  EXPECT_EQ(StripMnemonics("Tom && Jerry"), "Tom & Jerry");
  EXPECT_EQ(StripMnemonics("fin&"), "fin");
  EXPECT_EQ(StripMnemonics("&&&x"), "&x");
}

TEST(NoticeBoxTextTest, ClipboardCopyFramesCaptionMessageAndButtons) {
  const std::string line = "---------------------------\r\n";
  EXPECT_EQ(
      NoticeClipboardText("Upgrade405", "Base de donnée non trouvée dans :\n\rC:\\R&D\\x", {"&OK"}),
      line + "Upgrade405\r\n" + line + "Base de donnée non trouvée dans :\n\rC:\\R&D\\x\r\n" +
          line + "OK   \r\n" + line);
  EXPECT_EQ(NoticeClipboardText("T", "m", {"&Oui", "No&n"}),
            line + "T\r\n" + line + "m\r\n" + line + "Oui   Non   \r\n" + line);
}

}  // namespace
