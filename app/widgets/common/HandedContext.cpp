#include "widgets/common/HandedContext.h"

#include "widgets/common/BusyGuard.h"

void HandedContext::handToBusyRule(QWidget* self) const { BusyGuard::hand(self, m_context); }

void HandedContext::setCancelFlags(int16_t value) const {
  if (std::optional<RunContext> ctx = runContext()) {
    // Setting a flag cannot fail.
    (void)ctx->mirsol.SetCancel(value);
    (void)ctx->modem.SetCancel(value);
  }
}
