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

TestHooks& testHooks() { return basekit::installedOnce<TestHooks>(detail::seam); }

}  // namespace

void install(Hooks* h) { detail::seam.install(h); }

void setNextPrinter(std::optional<std::string> pdfPath) {
  adminwindows::testing::testHooks().m_printers.push_back(std::move(pdfPath));
}
void clearPrinters() { adminwindows::testing::testHooks().m_printers.clear(); }
}  // namespace adminwindows::testing
