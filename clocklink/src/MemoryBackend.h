// In-memory back end: reads take from a text the caller fills, sends append to another. It
// stands in for a port where the bytes come from a file or a fuzzer instead of a clock.
#pragma once
#include "LinkBackend.h"

namespace clocklink {

class MemoryBackend : public LinkBackend {
 public:
  MemoryBackend(std::string* input, std::string* output) : in_(input), out_(output) {}

  CollectionStatus open() override { return kSuccess; }
  // The scripted input is what the clock "will" send: a clear must not drop it.
  void clearInput() override {}
  void send(const std::string& s) override;
  long pending() override;
  std::string read() override;
  // Nothing more can arrive than what is there: waiting would only stall the caller.
  void waitInput(std::chrono::milliseconds) override {}

 private:
  std::string* in_;
  std::string* out_;
};

}  // namespace clocklink
