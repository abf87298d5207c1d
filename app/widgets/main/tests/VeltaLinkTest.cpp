// The program as built for the operator carries no test hook: its own code and the shared
// libraries it links define nothing in a `testing` namespace but the seams' null pointers, so
// no answer queue, no injected failure and no installing call can be reached in it.
#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The defined symbols of `file`, demangled, one a line; empty when nm could not read it.
std::vector<std::string> definedSymbols(const std::string& file) {
  std::vector<std::string> out;
  const std::string command = "nm -C --defined-only '" + file + "' 2>/dev/null";
  std::FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  char line[4096];
  while (std::fgets(line, sizeof line, p)) out.emplace_back(line);
  if (::pclose(p) != 0) out.clear();
  return out;
}

TEST(VeltaLink, TheProgramAndItsLibrariesHoldNoTestHook) {
  const std::regex inTesting(R"(\btesting::)");
  // The pointer each seam asks (and its reading, where not inlined), always null in the
  // program; and the seam's interface type (the sanitizer build's vptr check emits its type
  // information where the seam is called).
  const std::regex allowed(
      R"(\btesting::detail::(installed|seam)\b|typeinfo (name )?for \w+::testing::Hooks\b|)"
      R"(TestSeam<\w+::testing::Hooks>::hooks\(\))");
  std::istringstream files(VELTA_LINKED_FILES);
  std::string name;
  int checked = 0;
  while (std::getline(files, name, ':')) {
    const std::string file = clocklink::testing::peerPath(name);
    SCOPED_TRACE(file);
    const std::vector<std::string> symbols = definedSymbols(file);
    ASSERT_FALSE(symbols.empty()) << "nm read nothing";
    std::string hooks;
    for (const std::string& s : symbols)
      if (std::regex_search(s, inTesting) && !std::regex_search(s, allowed)) hooks += s;
    EXPECT_EQ(hooks, "");
    ++checked;
  }
  EXPECT_EQ(checked, 4);
}

}  // namespace
