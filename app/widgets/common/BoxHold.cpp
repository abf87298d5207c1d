#include "widgets/common/BoxHold.h"

#include <QVariant>
#include <QWidget>

namespace boxhold {
namespace {
constexpr const char* kProperty = "veltaHoldsBoxesOff";
}  // namespace

void set(QWidget* window, bool held) {
  if (window) window->setProperty(kProperty, held ? QVariant(true) : QVariant());
}

bool held(const QWidget* window) { return window && window->property(kProperty).toBool(); }

}  // namespace boxhold
