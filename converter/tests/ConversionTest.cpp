// The conversion called directly, with the add-in's test hooks: a write that fails part-way
// (a full disk, without filling one) leaves the output as it was and the run answers -3.
#include "Conversion.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <v2000cvt/testing/Hooks.h>

namespace fs = std::filesystem;

namespace {

void write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string read(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(Conversion, AWriteThatFailsPartWayLeavesTheOutputAsItWas) {
  char tmpl[] = "/tmp/cvt-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  write(dir / "in.txt", "123 05/03/2024 08:07 01 02\n456 05/03/2024 08:07 01 20\n");
  write(dir / "BRIVANO.TXT", "00123 CLI001\n00456 xy\n");
  write(dir / "out.txt", "kept\r\n");
  for (const size_t after : {size_t{0}, size_t{10}}) {
    SCOPED_TRACE("failing after " + std::to_string(after) + " bytes");
    v2000cvt::testing::failNextWrite(ENOSPC, after);
    EXPECT_EQ(v2000cvt::convertFiles((dir / "in.txt").c_str(), (dir / "BRIVANO.TXT").c_str(),
                                     (dir / "out.txt").c_str()),
              -3);
    EXPECT_EQ(read(dir / "out.txt"), "kept\r\n");
  }
  // The hook takes one block: the next run writes.
  EXPECT_EQ(v2000cvt::convertFiles((dir / "in.txt").c_str(), (dir / "BRIVANO.TXT").c_str(),
                                   (dir / "out.txt").c_str()),
            1);
  EXPECT_EQ(read(dir / "out.txt"),
            "kept\r\nCLI001202403050807S0000001\r\nxy202403050807E0000001\r\n");
  fs::remove_all(dir);
}

}  // namespace
