// The collection library's test hooks: the download's and the console's step hooks, behind the
// library's seam pointer once a test sets either.
#include "collect/testing/Hooks.h"

namespace collect::testing {
namespace {

class TestHooks final : public Hooks {
 public:
  void collectStep(const char* step, int index) override {
    if (m_collect) m_collect(step, index);
  }
  void consoleStep(const char* step) override {
    if (m_console) m_console(step);
  }

  std::function<void(const char*, int)> m_collect;
  std::function<void(const char*)> m_console;
};

// Never destroyed: a static destructor may still run a download step.
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

void setStepHook(std::function<void(const char* step, int index)> hook) {
  testHooks().m_collect = std::move(hook);
}

void setConsoleStepHook(std::function<void(const char* step)> hook) {
  testHooks().m_console = std::move(hook);
}

}  // namespace collect::testing
