// The converter binding: a load that failed is tried again at the next conversion, and a
// call that cannot be made is worded in the language.
#include "collect/ConverterLink.h"

#include "core/ClsCfgFile.h"
#include "core/MessagesExtra.h"
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

// An add-in that cannot be called says which file and why, in the language: not found, not
// loadable (no library for this system), or no QCvt in it; never the loader's English text.
TEST(ConverterLink, ACallThatCannotBeMadeSaysWhichFileAndWhyInTheLanguage) {
  apptest::TempDataFolder folder;
  ClsCfgFile& cfg = apptest::objects().createSettings();
  folder.write("libv2000cvt-broken.so", "not a library\n");
  struct Case {
    std::string library;
    std::string file;  // as the reason names it
    ExtraMsg reason;
  };
  const Case cases[] = {
      {folder.file("libv2000cvt.so"), folder.file("libv2000cvt.so"), ExtraMsg::AddInNotFound},
      {"libv2000cvt-nowhere.so", "libv2000cvt-nowhere.so", ExtraMsg::AddInNotFound},
      {folder.file("libv2000cvt-broken.so"), folder.file("libv2000cvt-broken.so"),
       ExtraMsg::AddInNotLoadable},
      {"libc.so.6", "libc.so.6", ExtraMsg::AddInNoEntryPoint},
  };
  for (const int lenguaje : {0, 1000, 2000}) {
    cfg.LENGUAJE = static_cast<int16_t>(lenguaje);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.library + ", " + std::to_string(lenguaje));
      collect::ConverterLink link(c.library);
      int32_t result = 0;
      std::string why;
      EXPECT_FALSE(link.convert(folder.file("in.txt"), folder.file("out.txt"), result, why));
      EXPECT_EQ(why, GetExtraMsgIn(ExtraMsg::AddInFailed, lenguaje,
                                   {c.file, GetExtraMsgIn(c.reason, lenguaje)}));
    }
  }
}
