// The shared dialogs' test hooks: the message-box hook and inspector, FrmMsg's answer hook, and
// the file dialogs' queued answers with the last ask. Installed before main(), so every dialog of
// a test program that links them is seen (the last ask is recorded from the first one on).
#include "widgets/dialogs/testing/Hooks.h"

#include <deque>

namespace dialogs::testing {
namespace {

class TestHooks final : public Hooks {
 public:
  bool answerBox(const dialogs::BoxRequest& request, int& answer) override {
    if (!m_box) return false;
    answer = m_box(request);
    return true;
  }
  bool inspectBox(QMessageBox& box) override {
    if (!m_inspector) return false;
    m_inspector(box);
    return true;
  }
  bool answerFrmMsg(const std::string& msg, int& answer) override {
    if (!m_frmMsg) return false;
    answer = m_frmMsg(msg);
    return true;
  }
  bool answerFileDialog(const std::string& caption, const std::string& dir,
                        const std::string& filter, std::optional<std::string>& answer) override {
    m_lastAsk = {caption, dir, filter};
    if (m_fileNames.empty()) return false;
    answer = std::move(m_fileNames.front());
    m_fileNames.pop_front();
    return true;
  }

  std::function<int(const dialogs::BoxRequest&)> m_box;
  std::function<void(QMessageBox&)> m_inspector;
  std::function<int(const std::string&)> m_frmMsg;
  std::deque<std::optional<std::string>> m_fileNames;
  FileAsk m_lastAsk;
};

TestHooks& testHooks() { return basekit::installedOnce<TestHooks>(detail::seam); }

[[maybe_unused]] TestHooks& installedAtStart = testHooks();

}  // namespace

void install(Hooks* h) { detail::seam.install(h); }

void setBoxHook(std::function<int(const BoxRequest&)> hook) { testHooks().m_box = std::move(hook); }
void setBoxInspector(std::function<void(QMessageBox&)> inspector) {
  testHooks().m_inspector = std::move(inspector);
}
void setFrmMsgHook(std::function<int(const std::string& msg)> hook) {
  testHooks().m_frmMsg = std::move(hook);
}
void setNextFileName(std::optional<std::string> answer) {
  testHooks().m_fileNames.push_back(std::move(answer));
}
void clearFileNames() { testHooks().m_fileNames.clear(); }
LastAsk lastAsk() { return testHooks().m_lastAsk; }
}  // namespace dialogs::testing
