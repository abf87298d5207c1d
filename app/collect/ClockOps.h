// The clock calls the download routine makes, as an interface: the program adapts its one
// ClsMirsol to it; a test can script the few codes a real link never gives (a clear that
// cannot open the port, a negative count).
#pragma once

#include <clocklink/CollectionStatus.h>

#include <cstdint>
#include <string>

namespace clocklink {
class ClsMirsol;
}

namespace collect {

class ClockOps {
 public:
  virtual ~ClockOps() = default;
  // Record_Process: 1 opens the download and gives in `count` the records the clock announced,
  // 2 fetches one record, 3 ends the download, 4 clears the clock.
  virtual clocklink::CollectionStatus recordProcess(int16_t op, int16_t factor, int32_t& count) = 0;
  // The steps that carry no count.
  clocklink::CollectionStatus recordProcess(int16_t op, int16_t factor) {
    int32_t count = 0;
    return recordProcess(op, factor, count);
  }
  virtual std::string recordGet(int32_t index) = 0;
  virtual int32_t regCount() const = 0;
  virtual int32_t regCountErr() const = 0;
  // Records the clock delivered in this download, stored or dropped for their type.
  virtual int32_t fetchedSteps() const = 0;
  virtual std::string statusGet() = 0;
};

// The real clock object.
class MirsolClockOps : public ClockOps {
 public:
  explicit MirsolClockOps(clocklink::ClsMirsol& mirsol) : m_mirsol(mirsol) {}
  using ClockOps::recordProcess;
  clocklink::CollectionStatus recordProcess(int16_t op, int16_t factor, int32_t& count) override;
  std::string recordGet(int32_t index) override;
  int32_t regCount() const override;
  int32_t regCountErr() const override;
  int32_t fetchedSteps() const override;
  std::string statusGet() override;

 private:
  clocklink::ClsMirsol& m_mirsol;
};

}  // namespace collect
