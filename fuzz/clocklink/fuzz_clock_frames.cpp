// Arbitrary bytes from the clock's side into the frame receiver and the
// record step, for every model.
#include "clocklink/ClsMirsol.h"
#include "clocklink/EventPump.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace clocklink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ClsMirsol m;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (int16_t model = 0; model <= 6; ++model) {
    std::string input = bytes, output;
    // Any outcome will do: the target looks for crashes, not answers.
    (void)m.SetTimeRecorder("1", model, "COM1", "9600", "", 1, "", 0, 0, 0, 0);
    m.SetTimeOut(0);
    m.link().useMemoryLink(&input, &output);
    // Once the input is used up, or a NAK starts the half-second pause,
    // the wait ends at once.
    setEventPump([&] {
      if (input.empty() || (!output.empty() && output.back() == NAK)) m.SetCancel(1);
    });
    for (int i = 0; i < 64 && !input.empty(); ++i) {
      output.clear();
      m.SetCancel(0);
      (void)m.Record_Process(2);
      (void)m.Record_Get(m.RegCount - 1);
    }
    input = bytes;
    output.clear();
    m.SetCancel(0);
    (void)m.ReceiveFrame();
    m.link().useMemoryLink(nullptr, nullptr);
    setEventPump({});
  }
  return 0;
}
