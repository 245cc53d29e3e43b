// The Jet engine's statement, names and character counts.
#include "platform/posix/jet/engine/statement.h"
#include "platform/posix/jet/format/names.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(JetStatementTest, ReadsAlterColumnWithBareBracketedAndQuotedNames) {
  for (const char* text : {"ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)",
                           "alter table nuv alter column Filename text ( 96 ) ;",
                           "ALTER TABLE `nuv` ALTER [Filename] VarChar(96)",
                           "\r\n ALTER\tTABLE nuv ALTER COLUMN "
                           "`Filename` TEXT(096)"}) {
    const JetStatement s = ParseJetStatement(text);
    ASSERT_EQ(s.kind, JetStatementKind::kAlterColumn) << text << ": " << s.status.message();
    EXPECT_EQ(s.alter.table, "nuv");
    EXPECT_EQ(s.alter.column, "Filename");
    EXPECT_EQ(s.alter.textLength, 96) << text;
  }
  const JetStatement spaced =
      ParseJetStatement("ALTER TABLE [my table] ALTER COLUMN [a b] TEXT(1)");
  EXPECT_EQ(spaced.alter.table, "my table");
  EXPECT_EQ(spaced.alter.column, "a b");
  EXPECT_EQ(spaced.alter.textLength, 1);
  EXPECT_EQ(ParseJetStatement("ALTER TABLE t ALTER COLUMN c TEXT(255)").alter.textLength, 255);
}

TEST(JetStatementTest, OtherTypesAreReadButCarryNoTextLength) {
  for (const char* text :
       {"ALTER TABLE t ALTER COLUMN c MEMO", "ALTER TABLE t ALTER COLUMN c LONG",
        "ALTER TABLE t ALTER COLUMN c CHAR(5)", "ALTER TABLE t ALTER COLUMN c TEXT",
        "ALTER TABLE t ALTER COLUMN c DECIMAL(10, 2)"}) {
    const JetStatement s = ParseJetStatement(text);
    ASSERT_EQ(s.kind, JetStatementKind::kAlterColumn) << text << ": " << s.status.message();
    EXPECT_FALSE(s.alter.textLength) << text;
  }
  EXPECT_EQ(ParseJetStatement("ALTER TABLE t ALTER COLUMN c decimal(10,2)").alter.type,
            "DECIMAL(10,2)");
}

TEST(JetStatementTest, RefusesEverythingElseWithAFrenchReason) {
  struct Case {
    const char* text;
    const char* says;
  };
  for (const Case& c : {
           Case{"SELECT * FROM nuv", "ne lit ni ne modifie les données"},
           Case{"UPDATE nuv SET Size = 0", "ne lit ni ne modifie les données"},
           Case{"delete from nuv", "ne lit ni ne modifie les données"},
           Case{"INSERT INTO nuv (Id) VALUES (1)", "ne lit ni ne modifie les données"},
           Case{"CREATE TABLE x (a TEXT(5))", "définition de données non prise en charge"},
           Case{"DROP TABLE nuv", "définition de données non prise en charge"},
           Case{"ALTER TABLE nuv ADD COLUMN x TEXT(5)", "n'ajoute ni ne supprime"},
           Case{"ALTER TABLE nuv DROP COLUMN Filename", "n'ajoute ni ne supprime"},
           Case{"ALTER TABLE nuv ALTER COLUMN Filename TEXT(256)", "trop grande"},
           Case{"ALTER TABLE nuv ALTER COLUMN Filename TEXT(99999999999999999999)", "trop grande"},
           Case{"ALTER TABLE nuv ALTER COLUMN Filename TEXT(0)", "TEXT(0)"},
           Case{"ALTER TABLE nuv ALTER COLUMN Filename TEXT(96) NOT NULL", "sans contrainte"},
           Case{"ALTER TABLE nuv ALTER COLUMN Filename TEXT(96) x", "après la fin"},
           Case{"ALTER TABLE nuv ALTER COLUMN Filename TEXT(96); DROP TABLE nuv", "après la fin"},
           Case{"ALTER TABLE [nuv ALTER COLUMN Filename TEXT(96)", "Erreur de syntaxe"},
           Case{"ALTER TABLE nuv ALTER COLUMN TEXT(96)", "Erreur de syntaxe"},
           Case{"ALTER TABLE nuv ALTER COLUMN Filename TEXT(-1)", "Erreur de syntaxe"},
           Case{"ALTER TABLE nuv ALTER COLUMN 'Filename' TEXT(96)", "Erreur de syntaxe"},
           Case{"", "vide"},
           Case{"EXEC something", "attendu"},
       }) {
    const JetStatement s = ParseJetStatement(c.text);
    EXPECT_EQ(s.kind, JetStatementKind::kRefused) << c.text;
    EXPECT_NE(s.status.message().find(c.says), std::string::npos)
        << c.text << " -> " << s.status.message();
    EXPECT_EQ(s.status.message().back(), '.') << s.status.message();
  }
}

TEST(JetStatementTest, NamesMatchWithoutRegardToCaseBeyondAscii) {
  EXPECT_TRUE(SameJetName("Filename", "FILENAME"));
  EXPECT_TRUE(
      SameJetName("\xC3\x89"
                  "b\xC3\xA8ne",
                  "\xC3\xA9"
                  "B\xC3\x88NE"));                        // Ébène / éBÈNE
  EXPECT_TRUE(SameJetName("\xD0\x96", "\xD0\xB6"));       // Ж / ж
  EXPECT_FALSE(SameJetName("\xC3\xA9t\xC3\xA9", "ete"));  // accents matter
  EXPECT_FALSE(SameJetName("nuv", "nuv2"));
  EXPECT_FALSE(SameJetName("nuv", ""));
  EXPECT_TRUE(SameJetName("", ""));
  EXPECT_FALSE(SameJetName("\xFF", "\xFE")) << "invalid bytes compare as themselves";
  EXPECT_TRUE(SameJetName("a\xFF", "A\xFF"));
}

TEST(JetStatementTest, CountsCharactersAsUtf16CodeUnits) {
  EXPECT_EQ(JetCharacterCount(""), 0u);
  EXPECT_EQ(JetCharacterCount("C:\\data\\file.dat"), 16u);
  EXPECT_EQ(JetCharacterCount("\xC3\xA9t\xC3\xA9"), 3u);         // été: 5 bytes
  EXPECT_EQ(JetCharacterCount("\xE6\xBC\xA2\xE5\xAD\x97"), 2u);  // 漢字
  EXPECT_EQ(JetCharacterCount("\xF0\x9F\x98\x80"), 2u);          // one emoji, two units
  EXPECT_EQ(JetCharacterCount("a\xFF\xC3"), 3u);                 // invalid bytes count one each
}

}  // namespace
