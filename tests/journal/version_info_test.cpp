// ReadVersionInfo's return and field rules, over the test implementation of the host seam.
#include "journal/version_info.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace {

class VersionInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { fakes::Reset(); }
};

TEST_F(VersionInfoTest, FourNumbersWithoutLeadingZeros) {
  fakes::Host().versions["app"] = {1, 2, 3, 4};
  fakes::Host().versions["big"] = {65535, 0, 10, 12};
  TVersionInfo info;
  EXPECT_TRUE(ReadVersionInfo("app", info));
  EXPECT_EQ(info.FileName, "app");
  EXPECT_EQ(info.Version, "1.2.3.4");
  EXPECT_TRUE(ReadVersionInfo("big", info));
  EXPECT_EQ(info.Version, "65535.0.10.12");
  EXPECT_EQ(VersionText("big"), "65535.0.10.12");
}

TEST_F(VersionInfoTest, FileWithoutVersionLeavesTheVersionAlone) {
  TVersionInfo info{"before", "9.9.9.9"};
  EXPECT_FALSE(ReadVersionInfo("plain", info));
  EXPECT_EQ(info.FileName, "plain");
  EXPECT_EQ(info.Version, "9.9.9.9");
  EXPECT_EQ(VersionText("plain"), "");
}

TEST_F(VersionInfoTest, BlockWithoutFixedInformationIsReadButLeavesTheVersionAlone) {
  fakes::Host().versions["bare"] = std::nullopt;
  TVersionInfo info{"before", "9.9.9.9"};
  EXPECT_TRUE(ReadVersionInfo("bare", info));
  EXPECT_EQ(info.FileName, "bare");
  EXPECT_EQ(info.Version, "9.9.9.9");
  EXPECT_EQ(VersionText("bare"), "");
}

TEST_F(VersionInfoTest, EmptyPathTouchesNothing) {
  fakes::Host().versions[""] = {1, 1, 1, 1};
  TVersionInfo info{"before", "9.9.9.9"};
  EXPECT_FALSE(ReadVersionInfo("", info));
  EXPECT_EQ(info.FileName, "before");
  EXPECT_EQ(info.Version, "9.9.9.9");
}

}  // namespace
