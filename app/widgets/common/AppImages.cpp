#include "widgets/common/AppImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace widgets {
namespace {

constexpr int kSide = 48;  // drawn large, shown at toolbar size

QIcon draw(const std::function<void(QPainter&)>& paint) {
  QPixmap pm(kSide, kSide);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  paint(p);
  return QIcon(pm);
}

QPen pen(const QColor& c, double width) {
  return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

const QColor kBlue(30, 90, 170);
const QColor kGreen(30, 140, 60);
const QColor kRed(190, 40, 40);
const QColor kOrange(220, 120, 20);
const QColor kGrey(90, 90, 90);

void clockFace(QPainter& p, const QColor& ring) {
  p.setPen(pen(ring, 4));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(24, 24), 18, 18);
  p.setPen(pen(kGrey, 4));
  p.drawLine(QPointF(24, 24), QPointF(24, 12));
  p.drawLine(QPointF(24, 24), QPointF(33, 28));
}

void document(QPainter& p) {
  p.setPen(pen(kGrey, 3));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(10, 5, 28, 38));
  p.setPen(pen(kBlue, 3));
  for (int y = 14; y <= 34; y += 7) p.drawLine(16, y, 32, y);
}

void arrowDown(QPainter& p, const QColor& c) {
  p.setPen(pen(c, 6));
  p.drawLine(24, 6, 24, 34);
  p.drawLine(12, 24, 24, 38);
  p.drawLine(36, 24, 24, 38);
}

void handset(QPainter& p, const QColor& c) {
  p.setBrush(c);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(24, 24), 21, 21);
  QPainterPath h;
  h.moveTo(13, 17);
  h.cubicTo(13, 11, 35, 11, 35, 17);
  h.lineTo(35, 22);
  h.lineTo(29, 22);
  h.lineTo(29, 18);
  h.cubicTo(27, 17, 21, 17, 19, 18);
  h.lineTo(19, 22);
  h.lineTo(13, 22);
  h.closeSubpath();
  p.setBrush(Qt::white);
  p.drawPath(h);
  p.drawRect(QRectF(16, 26, 16, 10));
}

void play(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawPolygon(QPolygonF({QPointF(12, 6), QPointF(40, 24), QPointF(12, 42)}));
}

void pause(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(kOrange);
  p.drawRoundedRect(QRectF(11, 7, 9, 34), 2, 2);
  p.drawRoundedRect(QRectF(28, 7, 9, 34), 2, 2);
}

void exitDoor(QPainter& p) {
  p.setPen(pen(kGrey, 3));
  p.setBrush(QColor(240, 230, 210));
  p.drawRect(QRectF(8, 5, 22, 38));
  p.setPen(pen(kRed, 5));
  p.drawLine(22, 24, 42, 24);
  p.drawLine(34, 16, 42, 24);
  p.drawLine(34, 32, 42, 24);
}

void cross(QPainter& p, const QColor& c) {
  p.setPen(pen(c, 7));
  p.drawLine(12, 12, 36, 36);
  p.drawLine(36, 12, 12, 36);
}

void tick(QPainter& p) {
  p.setPen(pen(kGreen, 7));
  p.drawLine(9, 25, 20, 36);
  p.drawLine(20, 36, 40, 12);
}

void gear(QPainter& p) {
  p.setPen(pen(kGrey, 7));
  for (int k = 0; k < 8; ++k) {
    p.save();
    p.translate(24, 24);
    p.rotate(45.0 * k);
    p.drawLine(0, 12, 0, 19);
    p.restore();
  }
  p.setPen(pen(kGrey, 5));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(24, 24), 12, 12);
}

void card(QPainter& p) {
  p.setPen(pen(kBlue, 3));
  p.setBrush(QColor(225, 235, 250));
  p.drawRoundedRect(QRectF(5, 11, 38, 26), 4, 4);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawRect(QRectF(5, 16, 38, 6));
  p.setBrush(kOrange);
  p.drawRect(QRectF(10, 27, 10, 6));
}

void trash(QPainter& p) {
  p.setPen(pen(kGrey, 3));
  p.setBrush(QColor(230, 230, 230));
  p.drawRect(QRectF(13, 13, 22, 29));
  p.drawLine(9, 11, 39, 11);
  p.drawLine(20, 7, 28, 7);
  p.setPen(pen(kRed, 3));
  for (int x = 19; x <= 29; x += 5) p.drawLine(x, 18, x, 37);
}

void calendar(QPainter& p) {
  p.setPen(pen(kGrey, 3));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5, 9, 26, 26));
  p.setBrush(kRed);
  p.drawRect(QRectF(5, 9, 26, 7));
  p.save();
  p.translate(10, 10);
  p.scale(0.7, 0.7);
  clockFace(p, kBlue);
  p.restore();
}

void folder(QPainter& p) {
  p.setPen(pen(kOrange, 3));
  p.setBrush(QColor(250, 220, 140));
  p.drawRect(QRectF(6, 14, 36, 24));
  p.drawRect(QRectF(6, 9, 14, 5));
}

void printer(QPainter& p) {
  p.setPen(pen(kGrey, 3));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(14, 6, 20, 12));
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(QRectF(6, 18, 36, 16));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(14, 30, 20, 12));
}

void chooseArrow(QPainter& p) {
  p.setPen(pen(kBlue, 6));
  p.drawLine(8, 24, 38, 24);
  p.drawLine(28, 13, 39, 24);
  p.drawLine(28, 35, 39, 24);
}

void sheet(QPainter& p) {
  p.setPen(pen(kGrey, 3));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8, 5, 26, 36));
}

// A new row: a sheet with a green plus.
void newSheet(QPainter& p) {
  sheet(p);
  p.setPen(pen(kGreen, 6));
  p.drawLine(QPointF(34, 26), QPointF(34, 44));
  p.drawLine(QPointF(25, 35), QPointF(43, 35));
}

// One row deleted: a sheet with a red minus.
void removeSheet(QPainter& p) {
  sheet(p);
  p.setPen(pen(kRed, 7));
  p.drawLine(QPointF(24, 35), QPointF(44, 35));
}

// Cancel what is under way: a red ring with a bar.
void stopSign(QPainter& p) {
  p.setPen(pen(kRed, 6));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(24, 24), 17, 17);
  p.drawLine(QPointF(12, 36), QPointF(36, 12));
}

void envelope(QPainter& p) {
  p.setPen(pen(kBlue, 3));
  p.setBrush(QColor(250, 245, 225));
  p.drawRect(QRectF(5, 12, 38, 26));
  p.drawLine(QPointF(5, 12), QPointF(24, 28));
  p.drawLine(QPointF(43, 12), QPointF(24, 28));
}

void magnifier(QPainter& p) {
  p.setPen(pen(kGrey, 7));
  p.drawLine(QPointF(30, 30), QPointF(42, 42));
  p.setPen(pen(kBlue, 4));
  p.setBrush(QColor(225, 235, 250));
  p.drawEllipse(QPointF(20, 20), 13, 13);
}

void padlock(QPainter& p) {
  p.setPen(pen(kGrey, 5));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(14, 5, 20, 24), 0, 180 * 16);
  p.drawLine(QPointF(14, 17), QPointF(14, 22));
  p.drawLine(QPointF(34, 17), QPointF(34, 22));
  p.setPen(pen(kOrange, 3));
  p.setBrush(QColor(250, 200, 90));
  p.drawRoundedRect(QRectF(9, 21, 30, 22), 3, 3);
  p.setBrush(kGrey);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(24, 31), 3, 3);
}

}  // namespace

QList<QIcon> imgTool() {
  return {
      draw([](QPainter& p) { clockFace(p, kGreen); }),  // 1 read status
      draw([](QPainter& p) { arrowDown(p, kBlue); }),   // 2 read records
      draw(trash),                                      // 3 clear records
      draw(calendar),                                   // 4 date and time
      draw([](QPainter& p) { handset(p, kGreen); }),    // 5 dial
      draw(gear),                                       // 6 configuration
      draw(document),                                   // 7 view file
      draw(card),                                       // 8 card base
      draw(play),                                       // 9 continue
      draw(exitDoor),                                   // 10 exit
      draw([](QPainter& p) { handset(p, kOrange); }),   // 11 dialling
      draw(pause),                                      // 12 pause
  };
}

QList<QIcon> img() {
  return {
      draw(tick),                                 // 1 accept, store
      draw([](QPainter& p) { cross(p, kRed); }),  // 2 exit, cancel
      draw(chooseArrow),                          // 3 choose
      draw(printer),                              // 4 print
      draw(folder),                               // 5 open
      draw(play),                                 // 6 start
      draw(trash),                                // 7 delete all
      draw(newSheet),                             // 8 new
      draw(removeSheet),                          // 9 delete one
      draw(stopSign),                             // 10 cancel the entry
      draw(envelope),                             // 11 mail
      draw(magnifier),                            // 12 search
      draw(card),                                 // 13 cards
      draw(padlock),                              // 14 locking
  };
}

QPixmap banner(QSize size) {
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, size.width(), 0);
  g.setColorAt(0, QColor(20, 60, 130));
  g.setColorAt(1, QColor(70, 140, 210));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), 8, 8);
  p.save();
  p.translate(8, (size.height() - 40) / 2.0);
  p.scale(40.0 / kSide, 40.0 / kSide);
  clockFace(p, QColor(250, 250, 250));
  p.restore();
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setPixelSize(size.height() / 2);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRectF(56, 0, size.width() - 60, size.height()), Qt::AlignVCenter | Qt::AlignLeft,
             "Velta 2000");
  return pm;
}

}  // namespace widgets
