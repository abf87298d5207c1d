// The test seam of clocklink. At each seam point the library asks hooks() and, while it is null
// (in every program but a test one), goes its own way unchanged: real wait lengths, the system's
// name look-up. The object behind it, the call that installs it and the setters below are in
// clocklink_testhooks, which only test programs (and the programs they start) link.
#pragma once

#include <atomic>
#include <functional>
#include <netinet/in.h>
#include <string>

namespace clocklink::testing {

// Turns a host name into an IPv4 address; false when it has none.
using HostResolver = std::function<bool(const std::string& host, in_addr& out)>;

struct Hooks {
  // The fraction of the library's fixed waits (0 < fraction <= 1).
  virtual double timeScale() = 0;
  // The resolver a name look-up asks instead of the system's; empty: the system's.
  virtual HostResolver hostResolver() = 0;

 protected:
  ~Hooks() = default;
};

namespace detail {
extern std::atomic<Hooks*> installed;  // the library's own, null
}  // namespace detail

inline Hooks* hooks() { return detail::installed.load(std::memory_order_acquire); }

// --- clocklink_testhooks (test programs only) ---

// Puts `h` (nullptr: none) behind hooks(). The setters below install the test library's own.
void install(Hooks* h);

void setTimeScale(double factor);  // 0 < factor <= 1; anything else restores 1
// A resolver of the test's own in the system's place; nullptr restores the system's.
void setHostResolver(HostResolver resolver);

}  // namespace clocklink::testing
