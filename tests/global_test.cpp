#include "global.h"

#include <gtest/gtest.h>

#include "platform/host.h"

namespace {

const std::string S(1, platform::kPathSeparator);

TEST(ExecutableLocationTest, DirectoryKeepsItsSeparatorAndBaseNameLosesOneExtension) {
  TExecutableLocation exe = DeriveExecutableLocation(S + "opt" + S + "Prog" + S + "upgrade405.exe");
  EXPECT_EQ(exe.directory, S + "opt" + S + "Prog" + S);
  EXPECT_EQ(exe.baseName, "upgrade405");
  EXPECT_EQ(DeriveExecutableLocation(S + "a.b" + S + "setup.new.exe").baseName, "setup.new");
  EXPECT_EQ(DeriveExecutableLocation(S + "x" + S + "upgrade405").baseName, "upgrade405");
  EXPECT_EQ(DeriveExecutableLocation("alone").directory, "");
}

TEST(DatabasePathTest, DefaultsWhenNoParameterMatches) {
  EXPECT_EQ(DatabasePathFromParameters("D", {}), "D");
  EXPECT_EQ(DatabasePathFromParameters("D", {"/db", "-db=x", "/dbx=y", "db=z", "/d"}), "D");
}

TEST(DatabasePathTest, PrefixIgnoresAsciiCaseAndTheLastMatchWins) {
  EXPECT_EQ(DatabasePathFromParameters("D", {"/DB=D:\\x.mdb"}), "D:\\x.mdb");
  EXPECT_EQ(DatabasePathFromParameters("D", {"/dB=A", "other", "/Db=B"}), "B");
  EXPECT_EQ(DatabasePathFromParameters("D", {"/db="}), "");
  EXPECT_EQ(DatabasePathFromParameters("D", {"/db=rel/a b.mdb"}), "rel/a b.mdb");
}

}  // namespace
