#include "clocklink/CPL_Ether232.h"

namespace clocklink {

int CPL_Ether232::Iniciar(NetSocket* ws, const std::string& addr, long PLocal, long pRemote) {
  ws_ = ws;
  sequence_ = static_cast<char>(255);
  cursor_ = 0;
  length_ = 0;
  if (!ws_) return 0;
  ws_->close();
  ws_->protocol = NetSocket::Udp;
  ws_->remoteHost = addr;
  ws_->remotePort = pRemote;
  ws_->localPort = PLocal;
  return ws_->bind(PLocal) ? -1 : 0;
}

CollectionStatus CPL_Ether232::UDP_Open() {
  cursor_ = 0;
  length_ = 0;
  return kSuccess;
}

int CPL_Ether232::UDP_Send(const std::string& s) {
  if (!ws_) return 0;
  return ws_->sendData(std::string(1, sequence_) + s) ? -1 : 0;
}

void CPL_Ether232::ReadPending() {
  length_ = 0;
  cursor_ = 1;
  if (!ws_) return;
  std::string dgram;
  if (!ws_->getData(dgram) || dgram.empty()) return;
  if (dgram[0] != sequence_) sequence_ = dgram[0];
  UDP_Send({});  // acknowledgement: the sequence byte alone
  buffer_ = dgram.substr(1);
  length_ = static_cast<long>(buffer_.size());
}

long CPL_Ether232::UDP_IsData() {
  if (length_ < cursor_) length_ = 0;
  if (length_ != 0) return length_;
  ReadPending();
  return length_;
}

std::string CPL_Ether232::UDP_Get() {
  if (length_ >= cursor_ && cursor_ >= 1 && cursor_ <= static_cast<long>(buffer_.size()))
    return std::string(1, buffer_[static_cast<size_t>(cursor_++ - 1)]);
  return {};
}

int CPL_Ether232::UDP_ClearRXBuf() {
  // Every datagram still waiting is taken (and acknowledged) and dropped.
  for (int i = 0; i < 1000 && ws_ && ws_->readable(); ++i) {
    length_ = 0;
    ReadPending();
    if (!ws_->readable()) break;
  }
  buffer_.clear();
  length_ = 0;
  cursor_ = 1;
  return 0;
}

int CPL_Ether232::UDP_Close() {
  cursor_ = 0;
  length_ = 0;
  return 0;
}

int CPL_Ether232::waitDescriptor() const {
  if (length_ >= cursor_ && length_ != 0) return -1;
  return ws_ ? ws_->fd() : -1;
}

}  // namespace clocklink
