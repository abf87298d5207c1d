#include "ClockOps.h"

#include <clocklink/ClsMirsol.h>

namespace collect {

int32_t MirsolClockOps::recordProcess(int16_t op, int16_t factor) {
  return m_mirsol.Record_Process(op, factor);
}
std::string MirsolClockOps::recordGet(int32_t index) { return m_mirsol.Record_Get(index); }
int32_t MirsolClockOps::regCount() const { return m_mirsol.RegCount; }
int32_t MirsolClockOps::regCountErr() const { return m_mirsol.RegCountErr; }
int32_t MirsolClockOps::fetchedSteps() const { return m_mirsol.fetchedSteps(); }
std::string MirsolClockOps::statusGet() { return m_mirsol.Status_Get(); }

}  // namespace collect
