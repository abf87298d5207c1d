#include "widgets/clock/FCbioReloj.h"

#include "collect/ClockSettingRules.h"
#include "core/Messages.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/dialogs/MsgBox.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/CollectionStatus.h>

#include <QApplication>
#include <QFormLayout>
#include <QLineEdit>

FCbioReloj::FCbioReloj(QWidget* parent, const WindowContext& context)
    : ClockWindow(parent, "FCbioReloj", 177, Images::Img, context) {
  addOkCancel([this] { send(); });
  m_text = new QLineEdit(this);
  m_text->setObjectName("Text1");
  m_text->setMaximumWidth(60);
  auto* form = new QFormLayout;
  form->addRow(QString::fromStdString(GetMsg(257)) + ":", m_text);
  body()->addLayout(form);
  body()->addStretch(1);
  resize(320, 110);
}

void FCbioReloj::send() {
  std::string number;
  if (const int error = collect::clockNumberError(m_text->text().toStdString(), number)) {
    MsgBox(error, msgbox::Critical);
    return;
  }
  if (MsgBox(194, msgbox::YesNo | msgbox::Question) != msgbox::Yes) return;
  const std::optional<RunContext> ctx = runContext();
  if (!ctx) return;
  clocklink::CollectionStatus result{};
  {
    ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
    result = ctx->mirsol.SetClockNumber(number);
  }
  if (result == clocklink::kSuccess)
    QApplication::beep();
  else
    MsgBox(350, msgbox::Critical);
  close();
}
