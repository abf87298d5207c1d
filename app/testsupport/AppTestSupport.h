// Test support for the main program's tests: one QApplication on the offscreen platform, a
// temporary data folder that the test enters and leaves with the program-wide objects reset,
// grabbing a window to PNG with a non-blank check, and the message-box recorder.
#pragma once

#include <QString>

#include <deque>
#include <string>
#include <vector>

#include "MsgBox.h"
#include "ProgramObjects.h"

class QWidget;

namespace apptest {

// The QApplication of the test program (created on first use, offscreen unless
// QT_QPA_PLATFORM says otherwise). Linking this library registers a gtest environment that
// creates it before the first test.
void ensureApplication();

// Releases whichever program-wide objects the live owner holds (gMirsol ... gAuditoria,
// gCfgFile: null afterwards); clears gSharedText, gRunMode and the split fields.
void resetProgramObjects();

// The program-wide objects of the test: those of the TempDataFolder alive now.
ProgramObjects& objects();

// The one fixture of the main program's tests: a fresh temporary folder made the working
// directory and gDataFolder ("/" at the end) for the fixture's life, and the owner of the
// program-wide objects, empty at the start (a test creates what it needs through objects()).
// After it the previous working directory is back and the objects are gone.
class TempDataFolder {
 public:
  TempDataFolder();
  ~TempDataFolder();
  TempDataFolder(const TempDataFolder&) = delete;
  TempDataFolder& operator=(const TempDataFolder&) = delete;

  ProgramObjects& objects() { return m_objects; }

  const std::string& path() const { return m_path; }  // with a trailing "/"
  std::string file(const std::string& name) const { return m_path + name; }
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;  // "" when missing
  bool exists(const std::string& name) const;

 private:
  std::string m_path;
  std::string m_previous;
  ProgramObjects m_objects;
};

// The lines of a text file the program wrote (CR LF line ends, the last one optional).
std::vector<std::string> linesOf(const std::string& bytes);

// Grabs `w` (shown first if hidden) to `pngPath`; true when the file was written and the
// picture holds more than one colour. The path defaults to $VELTA_GRAB_DIR or the temp folder.
bool grabNonBlank(QWidget* w, const QString& pngPath);

// Escape pressed in `w`, delivered at once (a dialog takes it as its reject()).
void pressEscape(QWidget* w);

// Takes over every message box for its lifetime: records each request and answers with the
// queued answers in order, then with `fallback` (0 = the first button of the box's set).
class MsgBoxRecorder {
 public:
  explicit MsgBoxRecorder(int fallback = 0);
  ~MsgBoxRecorder();
  void answer(int a) { m_answers.push_back(a); }
  const std::vector<msgbox::Request>& boxes() const { return m_boxes; }
  std::vector<int> numbers() const;
  void clear() { m_boxes.clear(); }

 private:
  int m_fallback;
  std::deque<int> m_answers;
  std::vector<msgbox::Request> m_boxes;
};

}  // namespace apptest
