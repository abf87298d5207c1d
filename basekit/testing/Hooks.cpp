// basekit's test hooks: the injected replace failure and the step hook, behind the library's
// seam pointer once a test sets either.
#include <basekit/testing/Hooks.h>

#include <mutex>

namespace basekit::testing {
namespace {

class TestHooks final : public Hooks {
 public:
  bool failReplace(int& errnoValue, size_t& afterBytes) override {
    std::lock_guard lock(m_mutex);
    if (m_failErrno == 0) return false;
    errnoValue = m_failErrno;
    afterBytes = m_failAfter;
    m_failErrno = 0;  // one replace takes it
    return true;
  }
  bool failAppend(int& errnoValue, size_t& afterBytes) override {
    std::lock_guard lock(m_mutex);
    if (m_appendErrno == 0) return false;
    if (m_appendsToPass > 0) {
      --m_appendsToPass;
      return false;
    }
    errnoValue = m_appendErrno;
    afterBytes = m_appendAfter;
    m_appendErrno = 0;
    return true;
  }
  void failNextAppendWith(int errnoValue, size_t afterBytes, int appendsToPass = 0) {
    std::lock_guard lock(m_mutex);
    m_appendErrno = errnoValue;
    m_appendAfter = afterBytes;
    m_appendsToPass = appendsToPass;
  }
  void replaceStep(std::string_view step) override {
    StepHook hook;
    {
      std::lock_guard lock(m_mutex);
      hook = m_stepHook;
    }
    if (hook) hook(step);
  }

  void failNext(int errnoValue, size_t afterBytes) {
    std::lock_guard lock(m_mutex);
    m_failErrno = errnoValue;
    m_failAfter = afterBytes;
  }
  void setStep(StepHook hook) {
    std::lock_guard lock(m_mutex);
    m_stepHook = hook;
  }

 private:
  std::mutex m_mutex;
  int m_failErrno = 0;
  size_t m_failAfter = 0;
  int m_appendErrno = 0;
  size_t m_appendAfter = 0;
  int m_appendsToPass = 0;
  StepHook m_stepHook = nullptr;
};

TestHooks& testHooks() { return installedOnce<TestHooks>(detail::seam); }

}  // namespace

void install(Hooks* h) { detail::seam.install(h); }

void failNextReplace(int errnoValue, size_t afterBytes) {
  testHooks().failNext(errnoValue, afterBytes);
}

void failNextAppend(int errnoValue, size_t afterBytes) {
  testHooks().failNextAppendWith(errnoValue, afterBytes);
}

void failAppendAfter(int appendsToPass, int errnoValue, size_t afterBytes) {
  testHooks().failNextAppendWith(errnoValue, afterBytes, appendsToPass);
}

void setStepHook(StepHook hook) { testHooks().setStep(hook); }

}  // namespace basekit::testing
