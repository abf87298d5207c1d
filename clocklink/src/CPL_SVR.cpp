#include "CPL_SVR.h"

#include "TextUtil.h"
#include "clocklink/EventPump.h"

#include <poll.h>

namespace clocklink {
namespace {
using detail::trim;
}  // namespace

CPL_SVR::~CPL_SVR() {
  if (ws_) {
    ws_->close();
    ws_->localPort = 1034;
  }
  ws_ = nullptr;
}

int CPL_SVR::Iniciar(NetSocket* ws, const std::string& addr, long PLocal, long pRemote,
                     int pTimeout) {
  ws_ = ws;
  if (!ws_) return 0;
  // A new port on the same host is another server: it must be reconnected too.
  bool changed = addr != ws_->remoteHost || pRemote != ws_->remotePort;
  if (changed && !trim(addr).empty()) {
    if (ws_->state() != NetSocket::Closed) ws_->close();
    // The local port is kept for reference only: TCP connects from an
    // ephemeral port, so a reconnect never waits on TIME_WAIT.
    if (ws_->localPort != PLocal) ws_->localPort = PLocal;
    connectTimeout_ = pTimeout;
    ws_->protocol = NetSocket::Tcp;
    ws_->remoteHost = addr;
    ws_->remotePort = pRemote;
  }
  return -1;
}

CollectionStatus CPL_SVR::TCP_Open() {
  chunk_.reset();
  if (!ws_) return kFailure;
  if (ws_->remoteHost == lastHost_ && ws_->remotePort == lastPort_ &&
      ws_->state() == NetSocket::Connected)
    return kSuccess;
  lastHost_ = ws_->remoteHost;
  lastPort_ = ws_->remotePort;
  ws_->close();
  WaitSeconds(1.0);
  // The connect time-out bounds the host name's look-up and the connect together.
  auto deadline = Clock::now() + std::chrono::seconds(connectTimeout_ > 0 ? connectTimeout_ : 30);
  if (!ws_->connect(deadline, cancel_)) {
    lastHost_.clear();
    return kFailure;
  }
  while (true) {
    int st = ws_->state();
    if (st == NetSocket::Connected) return kSuccess;
    if (st != NetSocket::Connecting) break;  // refused: no point waiting on
    if (Clock::now() > deadline) break;
    pumpEvents();
    pollfd p{ws_->fd(), POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(kWaitSlice.count()));
  }
  ws_->close();
  lastHost_.clear();
  return kFailure;
}

int CPL_SVR::TCP_Send(const std::string& s) {
  if (!ws_) return 0;
  pumpEvents();
  bool ok = ws_->sendData(s, cancel_);
  pumpEvents();
  pumpEvents();
  return ok ? -1 : 0;
}

void CPL_SVR::ReadPending() {
  chunk_.beginRefill();
  if (!ws_) return;
  std::string data;
  if (!ws_->getData(data)) {
    // Peer gone: drop the socket so waits sleep instead of waking on EOF,
    // and the next open reconnects.
    ws_->close();
    return;
  }
  if (!data.empty()) chunk_.fill(std::move(data));
}

long CPL_SVR::TCP_IsData() {
  return chunk_.isData([this] { ReadPending(); });
}

std::string CPL_SVR::TCP_Get() { return chunk_.get(); }

int CPL_SVR::TCP_ClearRXBuf() {
  if (ws_) {
    std::string data;
    // Bounded, as a peer that sends without pause must not hold the caller.
    for (int i = 0; i < 1000 && ws_->readable() && ws_->getData(data) && !data.empty(); ++i) {
    }
  }
  chunk_.clear();
  return 0;
}

int CPL_SVR::TCP_Close() {
  chunk_.reset();
  return 0;
}

void CPL_SVR::waitInput(std::chrono::milliseconds slice) {
  if (chunk_.hasUnread()) return;
  waitOn(ws_ ? ws_->fd() : -1, slice);
}

}  // namespace clocklink
