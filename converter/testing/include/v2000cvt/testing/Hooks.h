// The test seam of the converter add-in. The add-in links nothing of ours, so its seam is its
// own: a pointer asked at each seam point and null in every program but a test one, which
// links converter_testhooks and the add-in's objects.
#pragma once

#include <atomic>
#include <cstddef>

namespace v2000cvt::testing {

struct Hooks {
  // A block of output lines is about to be written: true makes the write put afterBytes of it
  // in the file and then fail as if write() had returned errnoValue (a full disk, without
  // filling one).
  virtual bool failWrite(int& errnoValue, size_t& afterBytes) = 0;

 protected:
  ~Hooks() = default;
};

namespace detail {
extern std::atomic<Hooks*> seam;  // the add-in's own, null
}  // namespace detail

inline Hooks* hooks() { return detail::seam.load(std::memory_order_acquire); }

// --- converter_testhooks (test programs only) ---

// The next block written (in any thread) puts afterBytes in the file and then fails as if
// write() had returned errnoValue.
void failNextWrite(int errnoValue, size_t afterBytes = 0);

}  // namespace v2000cvt::testing
