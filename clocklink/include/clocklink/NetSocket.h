// A small non-blocking socket standing in for a socket control: remote host
// and port, local port, a state (0 closed, 6 connecting, 7 connected,
// 9 error), connect, bind, send and read. Sends never raise SIGPIPE.
#pragma once
#include <cstdint>
#include <string>

namespace clocklink {

class NetSocket {
 public:
  enum Protocol { Tcp = 0, Udp = 1 };
  enum State { Closed = 0, Connecting = 6, Connected = 7, Error = 9 };

  NetSocket() = default;
  ~NetSocket();
  NetSocket(const NetSocket&) = delete;
  NetSocket& operator=(const NetSocket&) = delete;

  int protocol = Tcp;
  std::string remoteHost;
  long remotePort = 0;
  long localPort = 0;

  int fd() const { return fd_; }
  // Current state; for TCP a connected socket whose peer has closed reads Closed.
  int state();
  void close();

  // TCP: starts a non-blocking connect from an ephemeral local port.
  bool connect();
  // UDP: opens and binds the local port (0 = any).
  bool bind(long port);
  // TCP: writes all of data; UDP: one datagram to remoteHost:remotePort.
  bool sendData(const std::string& data);
  // Reads what is waiting without blocking: TCP whatever has arrived, UDP one
  // datagram. Returns false on error or (TCP) a closed peer.
  bool getData(std::string& out);
  // True when a read would return something (or report an end).
  bool readable();

 private:
  bool resolveRemote();
  int fd_ = -1;
  int state_ = Closed;
  bool haveRemote_ = false;
  std::string resolvedHost_;
  long resolvedPort_ = -1;
  unsigned char addr_[16] = {};  // sockaddr_in
};

}  // namespace clocklink
