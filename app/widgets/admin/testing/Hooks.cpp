// The administration windows' test hooks: the printer dialog's queued answers, behind the
// library's seam pointer once a test queues one.
#include "widgets/admin/testing/Hooks.h"

#include <deque>

namespace adminwindows::testing {
namespace {

class TestHooks final : public Hooks {
 public:
  bool answerPrinter(std::optional<std::string>& pdfPath) override {
    if (m_printers.empty()) return false;
    pdfPath = std::move(m_printers.front());
    m_printers.pop_front();
    return true;
  }

  std::deque<std::optional<std::string>> m_printers;
};

// Never destroyed: a window closed by a static destructor may still print.
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

void setNextPrinter(std::optional<std::string> pdfPath) {
  adminwindows::testing::testHooks().m_printers.push_back(std::move(pdfPath));
}
void clearPrinters() { adminwindows::testing::testHooks().m_printers.clear(); }
}  // namespace adminwindows::testing
