// The converter add-in's test hooks: the injected write failure, behind the add-in's seam
// pointer once a test asks for one.
#include <mutex>
#include <v2000cvt/testing/Hooks.h>

namespace v2000cvt::testing {
namespace {

class TestHooks final : public Hooks {
 public:
  bool failWrite(int& errnoValue, size_t& afterBytes) override {
    std::lock_guard lock(m_mutex);
    if (m_errno == 0) return false;
    errnoValue = m_errno;
    afterBytes = m_after;
    m_errno = 0;  // one block takes it
    return true;
  }
  void failNext(int errnoValue, size_t afterBytes) {
    std::lock_guard lock(m_mutex);
    m_errno = errnoValue;
    m_after = afterBytes;
  }

 private:
  std::mutex m_mutex;
  int m_errno = 0;
  size_t m_after = 0;
};

// Never destroyed: the seam may be asked after static destructors ran.
TestHooks& installed() {
  static TestHooks* const made = [] {
    auto* h = new TestHooks;
    detail::seam.store(h, std::memory_order_release);
    return h;
  }();
  return *made;
}

}  // namespace

void failNextWrite(int errnoValue, size_t afterBytes) {
  installed().failNext(errnoValue, afterBytes);
}

}  // namespace v2000cvt::testing
