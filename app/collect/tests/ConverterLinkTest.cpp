// The converter binding: a load that failed is tried again at the next conversion.
#include "collect/ConverterLink.h"

#include "testsupport/AppTestSupport.h"

#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

#include <filesystem>

TEST(ConverterLink, AnAddInInstalledAfterAFailedLoadIsFoundAtTheNextConversion) {
  apptest::TempDataFolder folder;
  const std::string path = folder.file("libv2000cvt-late.so");
  collect::ConverterLink link(path);
  int32_t result = 0;
  std::string why;
  ASSERT_FALSE(link.convert(folder.file("in.txt"), folder.file("out.txt"), result, why));
  EXPECT_NE(why.find("libv2000cvt-late.so"), std::string::npos) << why;

  std::filesystem::copy_file(clocklink::testing::peerPath(V2000CVT_LIBRARY), path);
  ASSERT_TRUE(link.convert(folder.file("in.txt"), folder.file("out.txt"), result, why)) << why;
  EXPECT_EQ(result, -1) << "no input file: the add-in's own open failure";
}
