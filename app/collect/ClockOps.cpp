#include "collect/ClockOps.h"

#include <clocklink/ClsMirsol.h>

namespace collect {

clocklink::CollectionStatus MirsolClockOps::recordProcess(int16_t op, int16_t factor,
                                                          int32_t& count) {
  const clocklink::CollectionStatus r = m_mirsol.Record_Process(op, factor, count);
  // With the cancel flag set the end of a download leaves the link open; a manual read's
  // caller never closes the port, which would stay locked to every other program. A modem
  // line is left alone (closing refuses while a phone number is set).
  // freeing the port; the cancel is the answer
  if (op == 3 && r == clocklink::kCancelled) (void)m_mirsol.link().PL_Close();
  return r;
}
std::string MirsolClockOps::recordGet(int32_t index) { return m_mirsol.Record_Get(index); }
int32_t MirsolClockOps::regCount() const { return m_mirsol.RegCount; }
int32_t MirsolClockOps::regCountErr() const { return m_mirsol.RegCountErr; }
int32_t MirsolClockOps::fetchedSteps() const { return m_mirsol.fetchedSteps(); }
std::string MirsolClockOps::statusGet() { return m_mirsol.Status_Get(); }

}  // namespace collect
