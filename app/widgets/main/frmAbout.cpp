#include "widgets/main/frmAbout.h"

#include "core/Messages.h"
#include "core/VeltaVersion.h"

#include <basekit/paths.h>
#include <basekit/registry.h>

#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <array>
#include <vector>

namespace {
constexpr const char* kAppTitle = "Velta 2000";
}  // namespace

bool GetKeyValue(int32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal) {
  basekit::Registry registry;
  registry.ClassKey(KeyRoot);
  registry.SectionKey(KeyName);
  KeyVal.clear();
  if (!registry.KeyExists()) return false;
  std::vector<std::array<std::string, 2>> values;
  int16_t count = 0;
  registry.EnumerateValues(values, count);
  for (const auto& value : values) {
    if (value[0] == SubKeyRef) {
      KeyVal = value[1];
      return true;
    }
  }
  return false;
}

std::string sysInfoPath() {
  std::string path;
  if (GetKeyValue(basekit::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                  path))
    return basekit::toLocalPath(path);
  std::string folder;
  if (!GetKeyValue(basekit::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location",
                   "MSINFO", folder))
    return {};
  const std::string candidate = basekit::toLocalPath(folder + "\\MSINFO32.EXE");
  return QFileInfo::exists(QString::fromStdString(candidate)) ? candidate : std::string();
}

void StartSysInfo() {
  const std::string path = sysInfoPath();
  if (!path.empty()) QProcess::startDetached(QString::fromStdString(path), {});
}

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent),
      m_title(new QLabel(QString::fromUtf8(kAppTitle), this)),
      m_version(new QLabel(this)),
      m_description(new QLabel(this)),
      m_ok(new QPushButton(QString::fromStdString(GetMsg(108)), this)),
      m_sysInfo(new QPushButton(QStringLiteral("&Info..."), this)) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QString::fromStdString(GetMsg(162) + " " + kAppTitle));
  m_title->setObjectName(QStringLiteral("lblTitle"));
  m_version->setObjectName(QStringLiteral("lblVersion"));
  m_description->setObjectName(QStringLiteral("lblDescription"));
  m_ok->setObjectName(QStringLiteral("cmdOK"));
  m_sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

  QFont big = m_title->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  m_title->setFont(big);
  m_version->setText(QString::fromStdString(
      GetMsg(397) + " " + std::to_string(VELTA_VERSION_MAJOR) + "." +
      std::to_string(VELTA_VERSION_MINOR) + "." + std::to_string(VELTA_VERSION_PATCH)));
  // The description's carriage returns are its line breaks.
  m_description->setText(QString::fromStdString(GetMsg(188) + "\r" + GetMsg(189) + "\r" +
                                                GetMsg(190) + " - " + GetMsg(191))
                             .replace('\r', '\n'));
  m_description->setWordWrap(true);

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("picIcon"));
  icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
  icon->setAlignment(Qt::AlignTop);
  auto* texts = new QVBoxLayout;
  texts->addWidget(m_title);
  texts->addWidget(m_version);
  texts->addWidget(m_description);
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addLayout(texts, 1);
  auto* rule = new QFrame(this);
  rule->setObjectName(QStringLiteral("Line1"));
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_ok);
  buttons->addWidget(m_sysInfo);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(rule);
  layout->addLayout(buttons);
  m_ok->setDefault(true);
  setMinimumWidth(540);

  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_sysInfo, &QPushButton::clicked, this, [] { StartSysInfo(); });
}

void openfrmAbout(QWidget* parent) {
  frmAbout box(parent);
  box.exec();
}
