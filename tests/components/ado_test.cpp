#include "components/ado.h"

#include <gtest/gtest.h>

namespace {

TEST(OleErrorMessageTest, PrefersTheDescriptionWithoutTrailingStops) {
  EXPECT_EQ(OleErrorMessage(1, "Table 'nuv' introuvable.\r\n", "ignored"),
            "Table 'nuv' introuvable");
  EXPECT_EQ(OleErrorMessage(1, "Opération refusée !", ""), "Opération refusée !");
}

TEST(OleErrorMessageTest, FallsBackToTheSystemTextThenToTheCode) {
  const auto eFail = static_cast<std::int32_t>(0x80004005);
  EXPECT_EQ(OleErrorMessage(eFail, " ..", "Erreur non spécifiée\r\n"), "Erreur non spécifiée");
  EXPECT_EQ(OleErrorMessage(eFail, "", "...\r\n"), "Erreur OLE 80004005");
  EXPECT_EQ(OleErrorMessage(0x1F, "", ""), "Erreur OLE 0000001F");
}

TEST(CommandParametersTest, TextWithoutMarkersIsUnchanged) {
  std::vector<std::string> names;
  EXPECT_EQ(ParseCommandParameters("ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)", names),
            "ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)");
  EXPECT_TRUE(names.empty());
}

TEST(CommandParametersTest, MarkersOutsideLiteralsBecomePlaceholders) {
  std::vector<std::string> names;
  EXPECT_EQ(ParseCommandParameters("UPDATE t SET a=:new, b=':old' WHERE c=:key AND d='::'", names),
            "UPDATE t SET a=?, b=':old' WHERE c=? AND d='::'");
  EXPECT_EQ(names, (std::vector<std::string>{"new", "key"}));
  names.clear();
  EXPECT_EQ(ParseCommandParameters("SELECT 1::x, 'a:", names), "SELECT 1:x, 'a:");
  EXPECT_TRUE(names.empty());
}

}  // namespace
