#include "widgets/clock/FCacheo.h"

#include "collect/ClockSettingRules.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/dialogs/MsgBox.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/CollectionStatus.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

FCacheo::FCacheo(QWidget* parent, const WindowContext& context)
    : ClockWindow(parent, "FCacheo", 262, Images::Img, context) {
  addOkCancel([this] { send(); });
  m_gge = new QSlider(Qt::Horizontal, this);
  m_gge->setObjectName("Gge");
  m_gge->setRange(0, 100);
  m_gge->setTickPosition(QSlider::TicksBelow);
  m_gge->setTickInterval(10);
  m_value = new QLabel(this);
  m_value->setObjectName("LblValor");
  m_value->setMinimumWidth(40);
  m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  connect(m_gge, &QSlider::valueChanged, this,
          [this](int v) { m_value->setText(QString::number(v) + " %"); });
  m_value->setText("0 %");
  auto* row = new QHBoxLayout;
  row->addWidget(m_gge, 1);
  row->addWidget(m_value);
  body()->addLayout(row);
  body()->addStretch(1);
  resize(360, 120);
}

void FCacheo::send() {
  const std::optional<RunContext> ctx = runContext();
  if (!ctx) return;
  clocklink::CollectionStatus result{};
  {
    ExchangeScope exchange(this);
    result = ctx->mirsol.SetCache(collect::cacheValue(m_gge->value()));
  }
  if (result == clocklink::kSuccess) {
    QApplication::beep();
    MsgBox(378, msgbox::Exclamation);
    close();
  } else {
    MsgBox(340, msgbox::Critical);
  }
}
