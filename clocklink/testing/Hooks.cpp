// clocklink's test hooks: the shortened fixed waits and a resolver of the test's own, behind the
// library's seam pointer once a test sets either.
#include <clocklink/testing/Hooks.h>

#include <mutex>

namespace clocklink::testing {
namespace {

class TestHooks final : public Hooks {
 public:
  double timeScale() override { return m_scale.load(std::memory_order_relaxed); }
  HostResolver hostResolver() override {
    std::lock_guard lock(m_mutex);
    return m_resolver;
  }

  void setScale(double factor) {
    m_scale.store(factor > 0 && factor <= 1 ? factor : 1.0, std::memory_order_relaxed);
  }
  void setResolver(HostResolver resolver) {
    std::lock_guard lock(m_mutex);
    m_resolver = std::move(resolver);
  }

 private:
  std::atomic<double> m_scale{1.0};
  std::mutex m_mutex;
  HostResolver m_resolver;
};

// Never destroyed: a look-up thread or a static destructor may still ask for it.
TestHooks& testHooks() {
  static TestHooks* const h = [] {
    auto* made = new TestHooks;
    install(made);
    return made;
  }();
  return *h;
}

}  // namespace

void install(Hooks* h) { detail::installed.store(h, std::memory_order_release); }

void setTimeScale(double factor) { testHooks().setScale(factor); }

void setHostResolver(HostResolver resolver) { testHooks().setResolver(std::move(resolver)); }

}  // namespace clocklink::testing
