#include "FTime.h"

#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QFormLayout>
#include <QTimeEdit>

#include <clocklink/ClsMirsol.h>

#include "BusyGuard.h"
#include "ClockSettingRules.h"
#include "Globals.h"
#include "Messages.h"
#include "MsgBox.h"

FTime::FTime(QWidget* parent) : ClockWindow(parent, "FTime", 176, Images::Img) {
  addOkCancel([this] { send(); });
  // Date and time editors rather than free masks: no 31 February can be typed.
  const QDateTime now = QDateTime::currentDateTime();
  m_fecha = new QDateEdit(now.date(), this);
  m_fecha->setObjectName("MEdFecha");
  m_fecha->setDisplayFormat("dd/MM/yyyy");
  m_fecha->setCalendarPopup(true);
  m_hora = new QTimeEdit(now.time(), this);
  m_hora->setObjectName("MEdHora");
  m_hora->setDisplayFormat("HH:mm");
  auto* form = new QFormLayout;
  form->addRow(QString::fromStdString(GetMsg(219)) + ":", m_fecha);
  form->addRow(QString::fromStdString(GetMsg(227)) + ":", m_hora);
  body()->addLayout(form);
  body()->addStretch(1);
  resize(340, 140);
}

void FTime::send() {
  // The date box's pending edit is committed before it is read.
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  if (!gMirsol) return;
  const QDate d = m_fecha->date();
  const QTime t = m_hora->time();
  const collect::DateTimeTexts texts =
      collect::dateTimeTexts(basic::DateTime{d.year(), d.month(), d.day(), t.hour(), t.minute()});
  int16_t result = 0;
  {
    BusyGuard busy(this);
    result = gMirsol->SetDateTime(texts.date, texts.weekday, texts.time);
  }
  if (result == -100)
    QApplication::beep();
  else
    MsgBox(329, msgbox::Critical);
  close();
}
