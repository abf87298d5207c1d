#include "widgets/clock/FTime.h"

#include "collect/ClockSettingRules.h"
#include "core/Messages.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/dialogs/MsgBox.h"

#include <clocklink/ClsMirsol.h>

#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimeEdit>

using clocklink::kSuccess;

namespace {

// A date or time box whose whole text is selected refuses a first key that does not fit the
// whole format, so a date typed whole lost its first part. Typing over the whole text starts
// at the first part instead. A part whose digits are complete moves on by itself, so the
// separator typed after it is already done and must not skip the next part.
class TypeOverWhole : public QObject {
 public:
  explicit TypeOverWhole(QDateTimeEdit* box) : QObject(box), m_box(box) {
    box->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != m_box || event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString typed = key->text();
    const bool digit = typed.size() == 1 && typed.at(0).isDigit();
    const bool separator = typed.size() == 1 && typed.at(0).isPrint() && !digit;
    const int section = m_box->currentSectionIndex();
    bool swallow = false;
    if (digit || separator) {
      const QLineEdit* text = m_box->findChild<QLineEdit*>();
      if (text && !text->text().isEmpty() && text->selectedText() == text->text()) {
        m_box->setSelectedSection(m_box->sectionAt(0));
        m_afterDigit = -1;
      } else if (separator && m_afterDigit >= 0 && section != m_afterDigit) {
        swallow = true;  // the part before it was complete and moved on already
      }
    }
    m_afterDigit = digit ? m_box->currentSectionIndex() : -1;
    return swallow;
  }

 private:
  QDateTimeEdit* m_box;
  int m_afterDigit = -1;  // the part the last digit went into; -1 after any other key
};

}  // namespace

FTime::FTime(QWidget* parent, const WindowContext& context)
    : ClockWindow(parent, "FTime", 176, Images::Img, context) {
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
  new TypeOverWhole(m_fecha);
  new TypeOverWhole(m_hora);
  auto* form = new QFormLayout;
  form->addRow(QString::fromStdString(GetMsg(219)) + ":", m_fecha);
  form->addRow(QString::fromStdString(GetMsg(227)) + ":", m_hora);
  body()->addLayout(form);
  body()->addStretch(1);
  resize(340, 140);
}

void FTime::send() {
  // A pending edit of either box is committed before it is read. Directly: running events
  // here would let a Cancel or a second OK queued behind this one run first.
  m_fecha->interpretText();
  m_hora->interpretText();
  const std::optional<RunContext> ctx = runContext();
  if (!ctx) return;
  const QDate d = m_fecha->date();
  const QTime t = m_hora->time();
  const collect::DateTimeTexts texts =
      collect::dateTimeTexts(basic::DateTime{d.year(), d.month(), d.day(), t.hour(), t.minute()});
  clocklink::CollectionStatus result{};
  {
    ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
    result = ctx->mirsol.SetDateTime(texts.date, texts.weekday, texts.time);
  }
  if (result == kSuccess)
    QApplication::beep();
  else
    MsgBox(329, msgbox::Critical);
  close();
}
