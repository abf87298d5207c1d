#include "MemoryBackend.h"

namespace clocklink {

void MemoryBackend::send(const std::string& s) {
  if (out_) out_->append(s);
}

long MemoryBackend::pending() { return in_ ? static_cast<long>(in_->size()) : 0; }

std::string MemoryBackend::read() {
  if (!in_ || in_->empty()) return {};
  std::string c = in_->substr(0, 1);
  in_->erase(0, 1);
  return c;
}

}  // namespace clocklink
