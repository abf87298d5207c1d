#include "widgets/admin/ListEditorWindow.h"

#include "admin/EditorTableModel.h"
#include "admin/ListEditorModel.h"
#include "widgets/admin/EditorListView.h"
#include "widgets/common/HourglassGuard.h"

#include <QAction>
#include <QApplication>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kListWidth = 640;
constexpr int kCaption = 171;  // both editors carry the card base's caption

}  // namespace

ListEditorWindow::ListEditorWindow(QWidget* parent) : NoEscapeDialog(parent) {}

ListEditorWindow::~ListEditorWindow() = default;

void ListEditorWindow::buildAndLoad(ListEditorModel& model, const Spec& spec,
                                    const QList<QIcon>* img, QLayout* fields,
                                    std::vector<QWidget*> entryBoxes) {
  const HourglassGuard hourglass;
  m_model = &model;
  m_entryBoxes = std::move(entryBoxes);
  QVBoxLayout* layout = buildEditorFrame(
      this, spec.name, kCaption, img, spec.commands, [this](int i) { command(i); }, m_commands);

  m_table = new EditorTableModel(
      spec.headers, [this] { return static_cast<int>(m_model->rowCount()); },
      [this](int r, int c) -> const std::string& {
        return m_model->cellText(static_cast<size_t>(r), static_cast<size_t>(c));
      },
      this);
  m_list = makeEditorListView(
      m_table, spec.widths, kListWidth,
      [this](int column) {
        m_model->sortBy(column);
        showState();
        return m_model->sortAscending();
      },
      [this](int row) {
        if (m_showing) return;
        m_model->showRow(row + 1);
        showState();
      });
  m_list->setParent(this);

  layout->addWidget(m_list, 1);
  layout->addLayout(fields);
  resize(kListWidth + 24, 460);

  model.hooks.beep = [] { QApplication::beep(); };
  model.hooks.focusField = [this] {
    if (!m_entryBoxes.empty()) m_entryBoxes.front()->setFocus();
  };
  model.load();
  showState();
}

void ListEditorWindow::command(int index) {
  collectFields();
  if (index != m_model->salirCommand()) {
    m_model->run(index);
  } else if (writeAndClose()) {
    return;
  }
  showState();
}

bool ListEditorWindow::writeAndClose() {
  bool written = false;
  {
    const HourglassGuard hourglass;
    written = m_model->salir();
  }
  if (written) accept();
  return written;
}

void ListEditorWindow::showState() {
  m_showing = true;
  if (m_shownChanges != m_model->rowsChanged()) {
    m_table->refresh();
    m_shownChanges = m_model->rowsChanged();
  }
  selectListRow(m_list, m_model->selectedRow());
  const bool entry = m_model->entry();
  m_list->setEnabled(!entry);
  for (int i = 0; i < m_model->commandCount(); ++i)
    m_commands->action(i)->setEnabled(m_model->enabled(i));
  m_commands->action(0)->setText(QString::fromStdString(GetMsg(m_model->caption0())));
  showFields();
  for (QWidget* box : m_entryBoxes) box->setEnabled(entry);
  if (entry && !m_entryBoxes.empty()) m_entryBoxes.front()->setFocus();
  m_showing = false;
}
