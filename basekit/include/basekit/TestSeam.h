// A library's seam for its tests: a pointer to the library's hooks, asked at each seam point and
// null in every program but a test one; and, for the test side, the test library's own hooks
// object, made and installed at the first call.
#pragma once

#include <atomic>

namespace basekit {

template <typename Hooks>
class TestSeam {
 public:
  Hooks* hooks() const { return m_installed.load(std::memory_order_acquire); }
  void install(Hooks* h) { m_installed.store(h, std::memory_order_release); }

 private:
  std::atomic<Hooks*> m_installed{nullptr};
};

// The test library's `Impl` of the seam's hooks. Never destroyed: another thread or a static
// destructor may still ask for it.
template <typename Impl, typename Hooks>
Impl& installedOnce(TestSeam<Hooks>& seam) {
  static Impl* const made = [&seam] {
    auto* h = new Impl;
    seam.install(h);
    return h;
  }();
  return *made;
}

}  // namespace basekit
