#include "widgets/admin/EditorSupport.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>

#include "widgets/admin/AppImages.h"
#include "widgets/dialogs/ToolbarButton.h"

namespace {

// Refuses typing past the limit; QLineEdit validates only what the operator types, so a text
// set by the program keeps every character.
class TypingLimit : public QValidator {
 public:
  TypingLimit(int maxChars, QObject* parent) : QValidator(parent), m_max(maxChars) {}
  State validate(QString& input, int&) const override {
    return input.size() <= m_max ? Acceptable : Invalid;
  }

 private:
  int m_max;
};

}  // namespace

void limitTyping(QLineEdit* box, int maxChars) {
  if (maxChars <= 0) return;  // a setting of 0 digits must not lock the box
  box->setValidator(new TypingLimit(maxChars, box));
}

EditorCommands::EditorCommands(QWidget* owner, QMenuBar* menuBar, QToolBar* toolBar,
                               const QList<QIcon>* img)
    : m_owner(owner), m_menuBar(menuBar), m_toolBar(toolBar), m_img(img) {}

QAction* EditorCommands::add(const std::string& caption, int image, std::function<void()> run) {
  const int i = count();
  auto* action = new QAction(QString::fromStdString(caption), m_owner);
  action->setObjectName(QStringLiteral("mnu(%1)").arg(i));
  QObject::connect(action, &QAction::triggered, m_owner, [run = std::move(run)] { run(); });
  m_menuBar->addAction(action);

  const QIcon picture =
      (m_img && image >= 1 && image <= m_img->size()) ? m_img->at(image - 1) : QIcon();
  auto* button = new ToolbarButton(action, picture, m_toolBar);
  button->setObjectName(QStringLiteral("Toolbar(%1)").arg(i + 1));

  m_actions.push_back(action);
  m_buttons.push_back(button);
  return action;
}

QAction* EditorCommands::action(int i) const {
  return i >= 0 && i < count() ? m_actions[static_cast<size_t>(i)] : nullptr;
}

QToolButton* EditorCommands::button(int i) const {
  return i >= 1 && i <= count() ? m_buttons[static_cast<size_t>(i - 1)] : nullptr;
}

void NoEscapeDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

QVBoxLayout* buildEditorFrame(QDialog* window, const char* name, int caption,
                              const QList<QIcon>* img, const std::vector<CommandSpec>& specs,
                              const std::function<void(int)>& run,
                              std::unique_ptr<EditorCommands>& commands) {
  window->setObjectName(QString::fromLatin1(name));
  window->setWindowTitle(QString::fromStdString(GetMsg(caption)));
  auto* menuBar = adminwindows::named(new QMenuBar(window), "mnu");
  auto* toolBar = adminwindows::named(new QToolBar(window), "Toolbar");
  toolBar->setMovable(false);
  toolBar->setIconSize(QSize(24, 24));
  // Opened without the list (the clock and user editors come through their stores), the
  // toolbar takes the main window's all the same.
  if (!img) img = &adminwindows::imgOf(window);
  commands = std::make_unique<EditorCommands>(window, menuBar, toolBar, img);
  int i = 0;
  for (const CommandSpec& spec : specs) {
    commands->add(GetMsg(spec.caption), spec.image, [run, i] { run(i); });
    ++i;
  }
  auto* layout = new QVBoxLayout(window);
  layout->setMenuBar(menuBar);
  layout->addWidget(toolBar);
  return layout;
}
