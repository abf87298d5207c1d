#include "AppTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QWidget>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include "ClsAuditoria.h"
#include "ClsCfgFile.h"
#include "ClsListaRelojes.h"
#include "ClsUsers.h"
#include "Globals.h"
#include "Release.h"

namespace apptest {
namespace {

QApplication* gApp = nullptr;

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ensureApplication(); }
};

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

void ensureApplication() {
  if (QApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "velta-test";
  static char* argv[] = {name, nullptr};
  gApp = new QApplication(argc, argv);
}

void resetProgramObjects() {
  if (ProgramObjects* o = ProgramObjects::current()) o->release();
  gSharedText.clear();
  gRunMode = 0;
  gSplitFields = SplitFields{};
}

TempDataFolder::TempDataFolder() {
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd)) m_previous = cwd;
  std::string tmpl = QDir::tempPath().toStdString() + "/velta-data-XXXXXX";
  if (!mkdtemp(tmpl.data())) ADD_FAILURE() << "mkdtemp failed";
  m_path = tmpl + "/";
  if (chdir(tmpl.c_str()) != 0) ADD_FAILURE() << "chdir failed";
  resetProgramObjects();
  gDataFolder = m_path;
}

ProgramObjects& objects() { return ProgramObjects::live(); }

TempDataFolder::~TempDataFolder() {
  resetProgramObjects();
  if (!m_previous.empty() && chdir(m_previous.c_str()) != 0) ADD_FAILURE() << "chdir back failed";
  QDir(QString::fromStdString(m_path)).removeRecursively();
  gDataFolder.clear();
}

void TempDataFolder::write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string TempDataFolder::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TempDataFolder::exists(const std::string& name) const {
  return QFileInfo::exists(QString::fromStdString(file(name)));
}

std::vector<std::string> linesOf(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    out.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

bool grabNonBlank(QWidget* w, const QString& pngPath) {
  if (!w) return false;
  if (!w->isVisible()) w->show();
  QApplication::processEvents();
  QString path = pngPath;
  if (QFileInfo(path).isRelative()) {
    QString dir = qEnvironmentVariable("VELTA_GRAB_DIR");
    if (dir.isEmpty()) dir = QDir::tempPath();
    path = dir + "/" + path;
  }
  const QPixmap pixmap = w->grab();
  if (pixmap.isNull() || !pixmap.save(path, "PNG")) return false;
  const QImage image = pixmap.toImage();
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != first) return true;
  return false;
}

void pressEscape(QWidget* w) {
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(w, &esc);
}

MsgBoxRecorder::MsgBoxRecorder(int fallback) : m_fallback(fallback) {
  msgbox::setHook([this](const msgbox::Request& r) {
    m_boxes.push_back(r);
    if (!m_answers.empty()) {
      const int a = m_answers.front();
      m_answers.pop_front();
      return a;
    }
    if (m_fallback) return m_fallback;
    switch (r.buttons()) {
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
  });
}

MsgBoxRecorder::~MsgBoxRecorder() { msgbox::setHook({}); }

std::vector<int> MsgBoxRecorder::numbers() const {
  std::vector<int> out;
  for (const msgbox::Request& r : m_boxes) out.push_back(r.number);
  return out;
}

}  // namespace apptest
