#include "widgets/clock/FLeer.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "widgets/clock/FFtp.h"
#include "widgets/clock/FRsh.h"
#include "widgets/common/HourglassGuard.h"
#include "widgets/common/ProgressListWidget.h"
#include "widgets/dialogs/FrmMsg.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

using clocklink::kFailure;

namespace {
QString msgText(int n) { return QString::fromStdString(GetMsg(n)); }
}  // namespace

FLeer::FLeer(QWidget* parent, const WindowContext& context)
    : ClockWindow(parent, "FLeer", 233, Images::ImgTool, context) {
  // The main toolbar's pictures: reading the records, and leaving.
  const auto commands = addCommands({commandRow("mnu0", 108, 2, [this] { mnu(0); }),
                                     commandRow("mnu1", 154, 10, [this] { mnu(1); })});
  m_read = commands[0];
  m_exit = commands[1];

  m_drive = new QComboBox(this);
  m_drive->setObjectName("Drive1");
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
    if (v.isValid() && v.isReady()) m_drive->addItem(v.rootPath());
  m_model = new QFileSystemModel(this);
  m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  m_model->setRootPath("/");
  m_dir = new QTreeView(this);
  m_dir->setObjectName("Dir1");
  m_dir->setModel(m_model);
  for (int c = 1; c < m_model->columnCount(); ++c) m_dir->hideColumn(c);
  m_dir->header()->hide();
  m_dir->installEventFilter(this);
  m_name = new QLineEdit(this);
  m_name->setObjectName("ArchivoReg");
  m_dropDup = new QCheckBox(msgText(215), this);
  m_dropDup->setObjectName("ChkRepetidos");
  m_multi = new QLabel(this);
  m_multi->setObjectName("LblMultiEmpresa");
  m_multi->setStyleSheet("color: rgb(0, 0, 255); font-weight: bold;");
  m_lst = new ProgressListWidget(this);
  m_lst->setObjectName("Lst");
  auto* header = new QLabel(msgText(233), this);
  header->setObjectName("LstHeader");
  header->setFrameShape(QFrame::StyledPanel);

  auto* nameBox = new QGroupBox(msgText(248), this);
  auto* nameLayout = new QVBoxLayout(nameBox);
  nameLayout->addWidget(m_name);
  auto* left = new QVBoxLayout;
  left->addWidget(m_drive);
  left->addWidget(m_dir, 1);
  left->addWidget(nameBox);
  left->addWidget(m_dropDup);
  left->addWidget(m_multi);
  auto* right = new QVBoxLayout;
  right->setSpacing(0);
  right->addWidget(header);
  right->addWidget(m_lst, 1);
  auto* row = new QHBoxLayout;
  row->addLayout(left, 2);
  row->addLayout(right, 3);
  body()->addLayout(row);
  resize(720, 420);

  connect(m_dir->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) m_folder = m_model->filePath(current);
          });
  connect(m_drive, &QComboBox::activated, this, &FLeer::driveChanged);
  // The folders come in as they are read and sorted after, each batch moving the chosen folder
  // down the list: it is brought back into view until the operator takes the list in hand.
  connect(m_model, &QFileSystemModel::rowsInserted, this, &FLeer::showFolder);
  connect(m_model, &QFileSystemModel::layoutChanged, this, &FLeer::showFolder);
  m_dir->viewport()->installEventFilter(this);

  // Load: the proposed name and the clock's folder; a folder that is not there keeps the
  // initial one and skips the shipping name.
  HourglassGuard hourglass;
  const std::optional<RunContext> ctx = runContext();
  setFolder(QString::fromStdString(
      !ctx || ctx->dataFolder.empty() ? QDir::currentPath().toStdString() : ctx->dataFolder));
  if (ctx) {
    const ClsListaRelojes& clock = ctx->clocks;
    m_dropDup->setChecked(ctx->cfg.EliminarDuplicados != 0);
    m_name->setText(QString::fromStdString(
        collect::proposedReadName(clock.M_Archivo, clock.m_ArchivoFecha, false, basic::Now())));
    if (setFolder(QString::fromStdString(basic::Trim(clock.m_Path))) && ctx->cfg.SAPEnabled == 1)
      m_name->setText(QString::fromStdString(collect::proposedReadName({}, 0, true, basic::Now())));
  }
  const bool multi = ctx && ctx->cfg.MultiEmpresa == 1;
  m_dir->setEnabled(!multi);
  m_name->setEnabled(!multi);
  m_drive->setEnabled(!multi);
  m_multi->setText(multi ? msgText(245) : QString());
  m_lst->add(GetMsg(270) + GetMsg(282), kBlueLine);
}

bool FLeer::setFolder(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isDir()) return false;
  m_folder = QDir::cleanPath(info.absoluteFilePath());
  const QModelIndex index = m_model->index(m_folder);
  m_dir->setCurrentIndex(index);
  m_followFolder = true;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) m_dir->expand(up);
  m_dir->expand(index);
  showFolder();
  return true;
}

void FLeer::showFolder() {
  if (m_followFolder) m_dir->scrollTo(m_dir->currentIndex(), QAbstractItemView::PositionAtCenter);
}

void FLeer::showEvent(QShowEvent* event) {
  ClockWindow::showEvent(event);
  showFolder();
}

void FLeer::driveChanged(int index) {
  // A drive that is not ready is ignored: the folder stays.
  setFolder(m_drive->itemText(index));
}

bool FLeer::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == m_dir || watched == m_dir->viewport()) &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel ||
       event->type() == QEvent::KeyPress))
    m_followFolder = false;
  if (watched == m_dir && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      const QModelIndex current = m_dir->currentIndex();
      if (current.isValid()) setFolder(m_model->filePath(current));
      return true;
    }
  }
  return ClockWindow::eventFilter(watched, event);
}

void FLeer::setCaption(QAction* a, int msg) {
  a->setText(msgText(msg));
  a->setToolTip(msgText(msg).remove('&'));
}

void FLeer::mnu(int index) {
  if (index == 1) {
    setCancelFlags(0);
    close();
    return;
  }
  if (reading()) {
    setCancelFlags(1);
    setCaption(m_read, 108);
    m_exit->setEnabled(true);
    return;
  }
  read();
}

void FLeer::read() {
  std::optional<RunContext> ctx = runContext();
  collect::ManualRead::Hooks hooks;
  hooks.askExisting = [this](const std::string& text) {
    const QList<QIcon>* images = &context().img();
    gSharedText->clear();
    return FrmMsg::Msg(text, GetMsg(109), GetMsg(152), GetMsg(123), 0, images, this).choice;
  };
  hooks.started = [this] {
    m_exchange.emplace(this, ExchangeScope::Cursor::Normal);
    setCaption(m_read, 123);
    m_exit->setEnabled(false);
  };
  // The shipping windows leave their result in the settings.
  hooks.shipFtp = [this, &ctx] {
    FFtp w(ctx ? &ctx->cfg : nullptr, this);
    w.exec();
    return ctx ? ctx->cfg.tmpReturnValue : statusCode(kFailure);
  };
  hooks.shipRsh = [this, &ctx] {
    FRsh w(ctx ? &ctx->cfg : nullptr, this);
    w.exec();
    return ctx ? ctx->cfg.tmpReturnValue : statusCode(kFailure);
  };
  MsgBoxReporter boxes;
  collect::ManualRead run(*m_lst, boxes, std::move(hooks));
  collect::ManualRead::Outcome outcome = collect::ManualRead::Outcome::Failed;
  if (ctx)
    outcome = run.run(*ctx, m_folder.toStdString(), m_name->text().toStdString(),
                      m_dropDup->isChecked() ? 1 : 0);
  else
    boxes.inform(337, msgbox::Critical);
  m_exchange.reset();
  switch (outcome) {
    case collect::ManualRead::Outcome::ReadAgain:
      m_name->setFocus();
      break;
    case collect::ManualRead::Outcome::Refused:
      break;
    case collect::ManualRead::Outcome::Done:
      setCaption(m_read, 108);
      [[fallthrough]];
    case collect::ManualRead::Outcome::Failed:
      m_read->setEnabled(false);
      m_exit->setEnabled(true);
      break;
  }
}
