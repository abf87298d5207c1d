// The test seam of basekit. At each seam point the library asks hooks() and, while it is null
// (in every program but a test one), goes its own way unchanged. The object behind it, the call
// that installs it and the calls below that queue what it hands out are in basekit_testhooks,
// which only test programs link.
#pragma once

#include <basekit/TestSeam.h>

#include <cstddef>
#include <string_view>

namespace basekit::testing {

struct Hooks {
  // A replace is about to write its temp file: true makes it write afterBytes of it and then
  // fail as if write() had returned errnoValue.
  virtual bool failReplace(int& errnoValue, size_t& afterBytes) = 0;
  // Each step of every replace: "written" once the temp file is complete and synced, just
  // before the rename.
  virtual void replaceStep(std::string_view step) = 0;
  // An append is about to write: true makes it write afterBytes and then fail as if write()
  // had returned errnoValue (a full disk, without filling one).
  virtual bool failAppend(int& errnoValue, size_t& afterBytes) = 0;

 protected:
  ~Hooks() = default;
};

namespace detail {
extern TestSeam<Hooks> seam;  // the library's own, null
}  // namespace detail

inline Hooks* hooks() { return detail::seam.hooks(); }

// --- basekit_testhooks (test programs only) ---

// Puts `h` (nullptr: none) behind hooks(). The calls below install the test library's own.
void install(Hooks* h);

// The next replaceFileAtomically (in any thread) writes afterBytes of its temp file and then
// fails as if write() had returned errnoValue.
void failNextReplace(int errnoValue, size_t afterBytes = 0);
// The next PlainFile::append (in any thread) writes afterBytes and then fails as if write()
// had returned errnoValue.
void failNextAppend(int errnoValue, size_t afterBytes = 0);
// The same for the append after the next appendsToPass ones (the second file a call writes).
void failAppendAfter(int appendsToPass, int errnoValue, size_t afterBytes = 0);
// Called at each step of every replace (see Hooks::replaceStep; a test kills the process
// there). nullptr: none.
using StepHook = void (*)(std::string_view step);
void setStepHook(StepHook hook);

}  // namespace basekit::testing
