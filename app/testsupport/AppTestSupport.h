// Test support for the main program's tests, on Qt Core alone (the headless libraries' tests
// link it): the Qt application of the test program and a temporary data folder that the test
// enters and leaves with the program-wide objects reset. The widgets part
// (testsupport/widgets/WidgetTestSupport.h) adds the windows' application, grabbing a window
// to PNG and the message-box recorder.
#pragma once

#include "core/ProgramObjects.h"

#include <QString>

#include <string>
#include <vector>

class QCoreApplication;

namespace apptest {

// The Qt application of the test program, created on first use: a QCoreApplication, or what
// the application factory makes (the widgets part sets one). Linking this library registers a
// gtest environment that creates it before the first test.
void ensureApplication();
// Makes the test program's application from the arguments it is given; set before the first
// test (at static initialisation).
using ApplicationFactory = QCoreApplication* (*)(int& argc, char** argv);
void setApplicationFactory(ApplicationFactory factory);

// Releases everything the live owner holds (ProgramObjects::release: the objects are null
// afterwards, every value, hook and layer state is fresh); gDataFolder stays the folder of
// the TempDataFolder alive.
void resetProgramObjects();

// The program-wide objects of the test: those of the TempDataFolder alive now.
ProgramObjects& objects();

// The one fixture of the main program's tests: a fresh temporary folder made the working
// directory and gDataFolder ("/" at the end) for the fixture's life, and the owner of the
// program-wide objects and state, fresh at the start (a test creates what it needs through
// objects()). After it the previous working directory is back and the owner is gone.
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

}  // namespace apptest
