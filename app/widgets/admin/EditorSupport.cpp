#include "widgets/admin/EditorSupport.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

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

QAction* EditorCommands::action(int i) const {
  return i >= 0 && i < count() ? m_bar.actions[static_cast<size_t>(i)] : nullptr;
}

QToolButton* EditorCommands::button(int i) const {
  return i >= 1 && i <= count() ? m_bar.buttons[static_cast<size_t>(i - 1)] : nullptr;
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
  widgets::CommandBarSpec spec;
  spec.menuBar = menuBar;
  spec.images = img;
  std::vector<widgets::Command> table;
  int i = 0;
  for (const CommandSpec& c : specs) {
    widgets::Command row;
    row.name = QStringLiteral("mnu(%1)").arg(i);
    row.caption = QString::fromStdString(GetMsg(c.caption));
    row.image = c.image;
    row.run = [run, i] { run(i); };
    table.push_back(std::move(row));
    ++i;
  }
  widgets::CommandBar bar = widgets::buildCommandBar(window, spec, table);
  QToolBar* toolBar = bar.toolBar;
  commands = std::make_unique<EditorCommands>(std::move(bar));
  auto* layout = new QVBoxLayout(window);
  layout->setMenuBar(menuBar);
  layout->addWidget(toolBar);
  return layout;
}
