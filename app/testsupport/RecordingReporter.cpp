#include "testsupport/RecordingReporter.h"

#include "core/Messages.h"
#include "core/MsgStyle.h"

namespace apptest {

int firstAnswerOf(int style) {
  switch (style & 7) {
    case msgbox::OkCancel:
      return msgbox::Ok;
    case msgbox::AbortRetryIgnore:
      return msgbox::Abort;
    case msgbox::YesNoCancel:
    case msgbox::YesNo:
      return msgbox::Yes;
    case msgbox::RetryCancel:
      return msgbox::Retry;
    default:
      return msgbox::Ok;
  }
}

std::vector<int> RecordingReporter::numbers() const {
  std::vector<int> out;
  for (const Report& r : m_reports) out.push_back(r.number);
  return out;
}

void RecordingReporter::inform(int number, int style, const std::string& title,
                               const std::string& extra) {
  m_reports.push_back({Report::Call::Inform, number, GetMsg(number) + extra, style, title});
}

void RecordingReporter::informText(const std::string& text, int style, int number) {
  m_reports.push_back({Report::Call::InformText, number, text, style, {}});
}

int RecordingReporter::ask(int number, int style, const std::string& title) {
  m_reports.push_back({Report::Call::Ask, number, GetMsg(number), style, title});
  if (!m_answers.empty()) {
    const int a = m_answers.front();
    m_answers.pop_front();
    return a;
  }
  return m_fallback ? m_fallback : firstAnswerOf(style);
}

}  // namespace apptest
