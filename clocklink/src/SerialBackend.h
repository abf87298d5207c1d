// Serial back end of the link switch: the shared serial port of FComm, which the modem
// object may have opened and dialled before.
#pragma once
#include "LinkBackend.h"

namespace clocklink {

class SerialBackend : public LinkBackend {
 public:
  CollectionStatus open() override;
  CollectionStatus close() override;
  void clearInput() override;
  void setInputLen(int n) override;
  void send(const std::string& s) override;
  long pending() override;
  std::string read() override;
  void waitInput(std::chrono::milliseconds slice) override;
};

}  // namespace clocklink
