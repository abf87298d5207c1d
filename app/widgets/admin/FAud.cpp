#include "widgets/admin/FAud.h"

#include "admin/FAudModel.h"
#include "core/ClsAuditoria.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "widgets/common/CommandBar.h"
#include "widgets/common/HourglassGuard.h"
#include "widgets/dialogs/MsgBox.h"

#include <QAction>
#include <QHeaderView>
#include <QMenuBar>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
QString msg(int id) { return QString::fromStdString(GetMsg(id)); }
}  // namespace

FAud::FAud(QWidget* parent, const WindowContext& context) : QDialog(parent), m_context(context) {
  setObjectName(QStringLiteral("FAud"));
  setWindowTitle(msg(405));
  auto* menuBar = new QMenuBar(this);
  widgets::CommandBarSpec spec;
  spec.menuBar = menuBar;
  spec.images = &m_context.img();
  const widgets::CommandBar bar = widgets::buildCommandBar(
      this, spec,
      {{"mnuBaja", msg(115), msg(115).remove('&'), 9, [this] { Baja(); }},
       {"mnuSalir", " " + msg(154), msg(154).remove('&'), 2, [this] { Salir(); }}});
  m_baja = bar.actions[0];
  m_salir = bar.actions[1];
  QToolBar* toolBar = bar.toolBar;

  m_model = new FAudModel(this);
  m_model->setCaptions({msg(219), msg(204), msg(398)});
  m_list = new QTreeView(this);
  m_list->setObjectName(QStringLiteral("Lst"));
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setModel(m_model);
  m_list->setToolTip(msg(225));
  m_list->header()->setSectionsClickable(true);
  connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int column) {
    m_model->sortClick(column);
    m_list->header()->setSortIndicatorShown(true);
    m_list->header()->setSortIndicator(
        column, m_model->sortState().ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
  });

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(toolBar);
  layout->addWidget(m_list, 1);
  resize(760, 420);
  fill();
}

void FAud::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_columnsSized) return;
  m_columnsSized = true;
  const int width = m_list->viewport()->width();
  // The date and time must be readable whole, even in a narrow window.
  m_list->header()->resizeSection(
      0, std::max(
             width * 2 / 10,
             m_list->fontMetrics().horizontalAdvance(QStringLiteral("00-00-0000 00:00:00")) + 16));
  m_list->header()->resizeSection(1, width * 6 / 10);
  m_list->header()->resizeSection(2, width * 2 / 10);
}

void FAud::fill() {
  HourglassGuard wait;
  if (objects().audit)
    objects().audit->GetRecords(*m_model);
  else
    m_model->clear();
  m_model->resort();
}

void FAud::Baja() {
  if (m_model->rowCount() == 0) {
    MsgBox(336, msgbox::Exclamation, {}, {}, this);
    return;
  }
  if (MsgBox(194, msgbox::YesNo | msgbox::Question, {}, {}, this) != msgbox::Yes) return;
  if (!objects().audit || objects().audit->Borrar() != 1) {
    const std::string cause =
        objects().audit ? ": " + fileReason(objects().audit->removeFailure()) : std::string();
    MsgBox(320, msgbox::Critical, {}, "\n" + objects().dataFolder + "VELTA.AUD" + cause, this);
  }
  fill();
}

void FAud::Salir() { close(); }

void openFAud(QWidget* parent, const WindowContext& context) {
  FAud window(parent, context);
  window.exec();
}
