// The test seam of the collection library. At each seam point the library asks hooks() and,
// while it is null (in every program but a test one), goes its own way unchanged. The object
// behind it, the call that installs it and the setters below are in veltacollect_testhooks,
// which only test programs (and the programs they start) link.
#pragma once

#include <basekit/TestSeam.h>

#include <functional>
#include <string>

namespace collect::testing {

struct Hooks {
  // A download's steps: "fetched" (index: records delivered so far), "written" (records handled
  // so far), "synced" (0) and "recounted" (top-up round).
  virtual void collectStep(const char* step, int index) = 0;
  // "opened" once the console's read or trim holds its descriptor.
  virtual void consoleStep(const char* step) = 0;

 protected:
  ~Hooks() = default;
};

namespace detail {
inline basekit::TestSeam<Hooks> seam;  // null in the library
}  // namespace detail

inline Hooks* hooks() { return detail::seam.hooks(); }

// --- veltacollect_testhooks (test programs only) ---

// Puts `h` (nullptr: none) behind hooks(). The setters below install the test library's own.
void install(Hooks* h);

// Called at each step of a download (see Hooks::collectStep). Empty to remove.
void setStepHook(std::function<void(const char* step, int index)> hook);
// Called with "opened" once the console's read or trim holds its descriptor. Empty to remove.
void setConsoleStepHook(std::function<void(const char* step)> hook);
// Another library for the program's binding (a name, or a path for a test library); the next
// conversion binds it afresh. An empty name restores the add-in; so does the owner's release.
void setConverterLibrary(const std::string& library);

}  // namespace collect::testing
