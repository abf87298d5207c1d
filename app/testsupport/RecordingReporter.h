// The Reporter of the headless tests: records what a class without windows tells or asks the
// operator (number, style, title, the text a box would show) and answers its questions with
// the queued answers in order, then with a fallback, as the message-box recorder does for the
// windows' boxes.
#pragma once

#include "core/Reporter.h"

#include <deque>
#include <string>
#include <vector>

namespace apptest {

// What a box of `style` answers when the test queued nothing: the first button of its set
// (Ok, Abort, Yes, Retry).
int firstAnswerOf(int style);

struct Report {
  enum class Call { Inform, InformText, Ask };
  Call call = Call::Inform;
  int number = 0;     // the message number; 0 for a composed text that names none
  std::string text;   // as a box would show it: GetMsg(number) + extra, or the composed text
  int style = 0;      // button set + icon + default button
  std::string title;  // as asked ("" for the program's own)
  int buttons() const { return style & 7; }
  int icon() const { return style & 0x70; }
};

class RecordingReporter final : public Reporter {
 public:
  // `fallback`: the answer once the queue is empty (0 = the first button of the box's set).
  explicit RecordingReporter(int fallback = 0) : m_fallback(fallback) {}

  void answer(int a) { m_answers.push_back(a); }
  const std::vector<Report>& reports() const { return m_reports; }
  std::vector<int> numbers() const;
  void clear() { m_reports.clear(); }

  void inform(int number, int style, const std::string& title = {},
              const std::string& extra = {}) override;
  void informText(const std::string& text, int style, int number = 0) override;
  int ask(int number, int style, const std::string& title = {}) override;

 private:
  int m_fallback;
  std::deque<int> m_answers;
  std::vector<Report> m_reports;
};

}  // namespace apptest
