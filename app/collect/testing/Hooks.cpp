// The collection library's test hooks: the download's and the console's step hooks, behind the
// library's seam pointer once a test sets either, and the converter library's stand-in.
#include "collect/testing/Hooks.h"

#include "collect/ConverterLink.h"
#include "core/ProgramObjects.h"

#include <memory>

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

TestHooks& testHooks() { return basekit::installedOnce<TestHooks>(detail::seam); }

}  // namespace

void install(Hooks* h) { detail::seam.install(h); }

void setStepHook(std::function<void(const char* step, int index)> hook) {
  testHooks().m_collect = std::move(hook);
}

void setConsoleStepHook(std::function<void(const char* step)> hook) {
  testHooks().m_console = std::move(hook);
}

void setConverterLibrary(const std::string& library) {
  // The old library stays loaded (nothing unloads the add-in); only the lookup changes.
  ProgramObjects::live().layer<CollectState>().link =
      std::make_unique<ConverterLink>(library.empty() ? ConverterLink::kLibrary : library);
}

}  // namespace collect::testing
