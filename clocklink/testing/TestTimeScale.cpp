// Linked into every test program (and the programs the tests start that link the library), never
// into an installed one: the fraction of the link library's fixed waits that CTest hands the
// tests in VELTA_TEST_TIME_SCALE, set before main() so every test and fixture runs with it.
#include <clocklink/testing/Hooks.h>

#include <cstdlib>

namespace {

const bool kScaleTaken = [] {
  const char* v = std::getenv("VELTA_TEST_TIME_SCALE");
  if (v && *v) {
    char* end = nullptr;
    const double f = std::strtod(v, &end);
    if (*end == '\0') clocklink::testing::setTimeScale(f);
  }
  return true;
}();

}  // namespace
