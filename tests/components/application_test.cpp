#include "components/application.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/host.h"

namespace {

std::string Path(const std::string& name) {
  const std::string sep(1, platform::kPathSeparator);
  return sep + "opt" + sep + "my.dir" + sep + name;
}

TEST(ApplicationTitleTest, KeepsTheNameUpToItsFirstFullStop) {
  EXPECT_EQ(DeriveApplicationTitle(Path("upgrade405.exe")), "upgrade405");
  EXPECT_EQ(DeriveApplicationTitle(Path("a.b.exe")), "a");
  EXPECT_EQ(DeriveApplicationTitle(Path("Upgrade405")), "Upgrade405");
  EXPECT_EQ(DeriveApplicationTitle(Path(".hidden")), "");
}

TEST(ApplicationTitleTest, LowerCasesAllButTheFirstCharacterAccentsIncluded) {
  EXPECT_EQ(DeriveApplicationTitle(Path("UPGRADE405.EXE")), "Upgrade405");
  EXPECT_EQ(DeriveApplicationTitle(Path("ÉTÉ-MISE.exe")), "Été-mise");
  EXPECT_EQ(DeriveApplicationTitle(Path("éTÉ.exe")), "été");
}

TEST(ErrorBoxTextTest, AddsAFullStopAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorBoxText("Table introuvable"), "Table introuvable.");
  EXPECT_EQ(ErrorBoxText("Erreur OLE 80004005"), "Erreur OLE 80004005.");
  EXPECT_EQ(ErrorBoxText("Valeur :"), "Valeur :.");
  EXPECT_EQ(ErrorBoxText("Données créées é"), "Données créées é.");
  for (const char* kept : {"Fin.", "Attention !", "(voir)", "a,", "a-", "\"cité\"", "fin "}) {
    EXPECT_EQ(ErrorBoxText(kept), kept);
  }
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(FatalErrorTextTest, NamesClassModuleOffsetAndMessage) {
  EXPECT_EQ(FatalErrorText("Exception", "upgrade405.exe", 0x1A2B3, "Erreur à la création"),
            "Exception Exception dans le module upgrade405.exe dans 0001A2B3.\r\n"
            "Erreur à la création.\r\n");
  EXPECT_EQ(FatalErrorText("EOleSysError", "x.exe", 0, "Déjà fini."),
            "Exception EOleSysError dans le module x.exe dans 00000000.\r\nDéjà fini.\r\n");
  EXPECT_EQ(FatalErrorText("E", "x", 16, ""),
            "Exception E dans le module x dans 00000010.\r\n\r\n");
}

}  // namespace
