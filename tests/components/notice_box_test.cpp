#include "components/notice_box.h"

#include <gtest/gtest.h>

namespace {

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
