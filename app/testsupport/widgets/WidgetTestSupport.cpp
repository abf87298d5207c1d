#include "testsupport/widgets/WidgetTestSupport.h"

#include "testsupport/RecordingReporter.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QWidget>

namespace apptest {
namespace {

QCoreApplication* widgetApplication(int& argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return new QApplication(argc, argv);
}

// Set at static initialisation, before the environment makes the application. This library
// is an object library, so every program that links it gets this object.
[[maybe_unused]] const bool widgetApplicationSet = (setApplicationFactory(widgetApplication), true);

}  // namespace

std::optional<RunContext> runContext() { return collect::programContext(objects()); }

SharedWindowState windowState() {
  return SharedWindowState(objects().layer<ClockWindowsState>(), objects().liveness());
}

WindowContext windowContext() { return windowContext(runContext()); }

WindowContext windowContext(const std::optional<RunContext>& run) {
  return WindowContext(run, windowState(), AdminObjects::of(objects()));
}

WindowContext windowContext(const AdminObjects& admin) {
  return WindowContext(runContext(), windowState(), admin);
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
  dialogs::testing::setBoxHook([this](const dialogs::BoxRequest& r) {
    m_boxes.push_back(r);
    if (!m_answers.empty()) {
      const int a = m_answers.front();
      m_answers.pop_front();
      return a;
    }
    return m_fallback ? m_fallback : firstAnswerOf(r.style);
  });
}

MsgBoxRecorder::~MsgBoxRecorder() { dialogs::testing::setBoxHook({}); }

std::vector<int> MsgBoxRecorder::numbers() const {
  std::vector<int> out;
  for (const dialogs::BoxRequest& r : m_boxes) out.push_back(r.number);
  return out;
}

}  // namespace apptest
